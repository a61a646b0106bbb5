#include "valtyp/TraySupport.h"

#include "valtyp/Texts.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int kImageSizes[] = {16, 20, 24, 32};
// The tray docks the icon shortly after it is shown; its slot is known then.
constexpr int kFitIntervalMs = 20;
constexpr int kFitTries = 150;

}  // namespace

int TraySupport::imageSizeFor(int trayIconSize) {
    for (int size : kImageSizes) {
        if (trayIconSize <= size) return size;
    }
    return kImageSizes[std::size(kImageSizes) - 1];
}

bool TraySupport::available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

TraySupport::TraySupport(QWidget& window, QList<QPixmap> images, std::function<bool()> notify)
    : window_(window), images_(std::move(images)), notify_(std::move(notify)) {
    std::sort(images_.begin(), images_.end(),
              [](const QPixmap& a, const QPixmap& b) { return a.width() < b.width(); });
    // Until the tray says how large its icons are, the largest image, scaled.
    trayIcon_ = new QSystemTrayIcon(images_.isEmpty() ? QIcon() : QIcon(images_.last()), &window_);
    trayIcon_->setObjectName(QStringLiteral("trayIcon"));
    trayIcon_->setToolTip(QStringLiteral("Valtyp"));
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { iconActivated(reason); });
    fitting_.setInterval(kFitIntervalMs);
    connect(&fitting_, &QTimer::timeout, this, [this] { fitImageToTray(); });
    window_.installEventFilter(this);
}

TraySupport::~TraySupport() {
    window_.removeEventFilter(this);
    delete trayIcon_;
}

bool TraySupport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::WindowStateChange) {
        // After the state change is complete: hiding from within it confuses
        // some window managers.
        QMetaObject::invokeMethod(
            this, [this] { windowStateChanged(); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void TraySupport::windowStateChanged() {
    if (window_.windowState() & Qt::WindowMinimized) {
        if (trayIcon_->isVisible()) return;
        trayIcon_->show();  // a tray that refuses the icon is no reason to stop
        undocked_ = trayIcon_->geometry();
        balloonDue_ = notify_ && notify_();
        fittingTries_ = 0;
        fitting_.start();
        window_.hide();
        return;
    }
    fitting_.stop();
    balloonDue_ = false;
    trayIcon_->hide();
    window_.show();
}

void TraySupport::iconActivated(QSystemTrayIcon::ActivationReason reason) {
    // A single click (Trigger) leaves the window where it is.
    if (reason != QSystemTrayIcon::DoubleClick) return;
    window_.showNormal();  // the state change takes the icon out of the tray
}

void TraySupport::fitImageToTray() {
    const QRect slot = trayIcon_->geometry();
    // Until the tray has placed the icon, its geometry is the one it had
    // before; give the tray a few seconds at most. A tray that does not tell
    // its slots (no geometry at all) scales the image itself.
    if (!slot.isEmpty() && slot == undocked_ && ++fittingTries_ < kFitTries) return;
    fitting_.stop();
    if (!slot.isEmpty()) {
        const int size = imageSizeFor(std::min(slot.width(), slot.height()));
        for (const QPixmap& image : images_) {
            if (image.width() == size) trayIcon_->setIcon(QIcon(image));
        }
    }
    // Shown while the window was still going, the balloon would be closed
    // with it; now it also points at the icon where it is.
    if (balloonDue_) {
        balloonDue_ = false;
        trayIcon_->showMessage(QStringLiteral("Valtyp"), Texts::text("minimized.to.system.tray"),
                               QSystemTrayIcon::Information);
    }
}
