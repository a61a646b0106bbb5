#pragma once
// The settings tab: how the program starts and connects, the tray, the
// update check, and the export and import of all settings.

#include "config/Config.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class SettingsTab : public QWidget {
  public:
    explicit SettingsTab(Config& config, QWidget* parent = nullptr);

    bool autoConnectChosen() const;
    // The four check boxes into their flags (the last step of updateConfigFromTabs).
    void updateConfig();

    // Handlers, named after their control.
    void minimizeToTrayCheckBoxItemStateChanged();
    void notifyWhenMinimizedToTrayCheckBoxItemStateChanged();
    void checkForUpdatesCheckBoxItemStateChanged();
    void abortAutoStartCheckBoxItemStateChanged();
    void reconnectCheckBoxItemStateChanged();
    void readingLogTextFieldActionPerformed();
    void readingLogButtonActionPerformed();

    // Asks for a folder, starting at the one given; none: cancelled.
    using FolderChooser = std::function<std::optional<QString>(const QString& current)>;
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

    QRadioButton* manualConnectButton;
    QRadioButton* autoConnectButton;
    QCheckBox* minimizeToTrayCheckBox;
    QCheckBox* notifyWhenMinimizedToTrayCheckBox;
    QCheckBox* checkForUpdatesCheckBox;
    QCheckBox* abortAutoStartCheckBox;
    QCheckBox* reconnectCheckBox;  // a run waits for a vanished device to return
    // Export and import of the settings file (disabled until they exist).
    QPushButton* importSettingsButton;
    QPushButton* exportSettingsButton;
    // The reading log's folder (empty: off) and the button that chooses it.
    QLineEdit* readingLogTextField;
    QPushButton* readingLogButton;

  private:
    void buildControls();
    void layOut();
    void connectHandlers();

    Config& config_;
    FolderChooser chooseFolder_;
};
