#pragma once
// Minimising to the system tray: while installed, a minimised window leaves
// the task bar and waits as an icon in the tray; a double click on the icon
// brings it back. Where the desktop has no tray there is no such support and
// minimising works as usual.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>

class QWidget;

class TraySupport : public QObject {
  public:
    // The window's images are 16, 20, 24 and 32 pixels; the one for the tray
    // is the smallest that is not smaller than its icon.
    static int imageSizeFor(int trayIconSize);

    // True when the desktop offers a system tray.
    static bool available();

    // Watches the window's state. images: the window's icons, any order;
    // notify: whether minimising shows a balloon, asked each time.
    TraySupport(QWidget& window, QList<QPixmap> images, std::function<bool()> notify);
    ~TraySupport() override;

    QSystemTrayIcon& trayIcon() { return *trayIcon_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void windowStateChanged();
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void fitImageToTray();

    QWidget& window_;
    QList<QPixmap> images_;
    std::function<bool()> notify_;
    QSystemTrayIcon* trayIcon_;  // the window's child "trayIcon", deleted with the support
    QTimer fitting_;
    int fittingTries_ = 0;
    QRect undocked_;
    bool balloonDue_ = false;
};
