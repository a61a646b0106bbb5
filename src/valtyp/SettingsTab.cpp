#include "valtyp/SettingsTab.h"

#include "valtyp/TabForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace TabForm;

SettingsTab::SettingsTab(Config& config, QWidget* parent) : QWidget(parent), config_(config) {
    buildControls();
    layOut();
    connectHandlers();
}

void SettingsTab::buildControls() {
    manualConnectButton = named(new QRadioButton(frameText("manualConnectButton", ".text"), this),
                                "manualConnectButton");
    autoConnectButton =
        named(new QRadioButton(frameText("autoConnectButton", ".text"), this), "autoConnectButton");
    auto* connectButtonGroup = new QButtonGroup(this);
    connectButtonGroup->addButton(manualConnectButton);
    connectButtonGroup->addButton(autoConnectButton);
    (config_.getConnect() == ConfigHelper::Connect::AUTO ? autoConnectButton : manualConnectButton)
        ->setChecked(true);
    abortAutoStartCheckBox =
        checkBox("abortAutoStartCheckBox", config_.abortAutoStartWhenPrevPortNotAvailable, this);
    reconnectCheckBox = checkBox("reconnectCheckBox", config_.reconnect, this);
    minimizeToTrayCheckBox = checkBox("minimizeToTrayCheckBox", config_.minimizeToTray, this);
    notifyWhenMinimizedToTrayCheckBox =
        checkBox("notifyWhenMinimizedToTrayCheckBox", config_.notifyWhenMinimizedToTray, this);
    checkForUpdatesCheckBox = checkBox("checkForUpdatesCheckBox", config_.checkForUpdates, this);
    importSettingsButton = button("importSettingsButton", this);
    exportSettingsButton = button("exportSettingsButton", this);
    readingLogTextField =
        named(new QLineEdit(config_.getReadingLog(), this), "readingLogTextField");
    readingLogButton = button("readingLogButton", this);
}

void SettingsTab::layOut() {
    // Each heading stands for the controls right of it, which carry their
    // own words for assistive technology.
    auto* grid = formGrid(this);
    auto section = [&](QLabel* heading, std::initializer_list<QWidget*> controls) {
        heading->setParent(this);
        int row = grid->rowCount();
        grid->addWidget(heading, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        for (QWidget* control : controls) grid->addWidget(control, row++, 1);
    };
    auto heading = [](const char* field) {
        auto* label = new QLabel(frameText(field, ".text"));
        label->setObjectName(QLatin1StringView(field));
        return label;
    };
    section(heading("connectLabel"),
            {manualConnectButton, autoConnectButton, abortAutoStartCheckBox, reconnectCheckBox});
    section(heading("trayLabel"), {minimizeToTrayCheckBox, notifyWhenMinimizedToTrayCheckBox});
    auto* updatesLabel = new QLabel(QStringLiteral("Updates:"));
    updatesLabel->setObjectName(QStringLiteral("updatesLabel"));
    section(updatesLabel, {checkForUpdatesCheckBox});
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(exportSettingsButton);
    buttons->addWidget(importSettingsButton);
    buttons->addStretch(1);
    auto* readingLog = new QHBoxLayout;
    readingLog->addWidget(readingLogTextField, 1);
    readingLog->addWidget(readingLogButton);
    auto* readingLogLabel = heading("readingLogLabel");
    readingLogLabel->setParent(this);
    readingLogLabel->setBuddy(readingLogTextField);
    readingLogTextField->setAccessibleName(labelWords(readingLogLabel->text()));
    const int readingLogRow = grid->rowCount();
    grid->addWidget(readingLogLabel, readingLogRow, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addLayout(readingLog, readingLogRow, 1);
    auto* settingsFile = heading("settingsFileLabel");
    settingsFile->setParent(this);
    const int row = grid->rowCount();
    grid->addWidget(settingsFile, row, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addLayout(buttons, row, 1);
    grid->setRowStretch(grid->rowCount(), 1);
    focusInOrder({manualConnectButton, autoConnectButton, abortAutoStartCheckBox, reconnectCheckBox,
                  minimizeToTrayCheckBox, notifyWhenMinimizedToTrayCheckBox,
                  checkForUpdatesCheckBox, readingLogTextField, readingLogButton,
                  exportSettingsButton, importSettingsButton});
}

void SettingsTab::connectHandlers() {
    connect(minimizeToTrayCheckBox, &QCheckBox::toggled, this,
            [this] { minimizeToTrayCheckBoxItemStateChanged(); });
    connect(notifyWhenMinimizedToTrayCheckBox, &QCheckBox::toggled, this,
            [this] { notifyWhenMinimizedToTrayCheckBoxItemStateChanged(); });
    connect(checkForUpdatesCheckBox, &QCheckBox::toggled, this,
            [this] { checkForUpdatesCheckBoxItemStateChanged(); });
    connect(abortAutoStartCheckBox, &QCheckBox::toggled, this,
            [this] { abortAutoStartCheckBoxItemStateChanged(); });
    connect(reconnectCheckBox, &QCheckBox::toggled, this,
            [this] { reconnectCheckBoxItemStateChanged(); });
    connect(readingLogTextField, &QLineEdit::editingFinished, this,
            [this] { readingLogTextFieldActionPerformed(); });
    connect(readingLogButton, &QPushButton::clicked, this,
            [this] { readingLogButtonActionPerformed(); });
}

bool SettingsTab::autoConnectChosen() const {
    return autoConnectButton->isChecked();
}

void SettingsTab::minimizeToTrayCheckBoxItemStateChanged() {
    config_.minimizeToTray = minimizeToTrayCheckBox->isChecked();
}

void SettingsTab::notifyWhenMinimizedToTrayCheckBoxItemStateChanged() {
    config_.notifyWhenMinimizedToTray = notifyWhenMinimizedToTrayCheckBox->isChecked();
}

void SettingsTab::checkForUpdatesCheckBoxItemStateChanged() {
    config_.checkForUpdates = checkForUpdatesCheckBox->isChecked();
}

void SettingsTab::abortAutoStartCheckBoxItemStateChanged() {
    config_.abortAutoStartWhenPrevPortNotAvailable = abortAutoStartCheckBox->isChecked();
}

void SettingsTab::reconnectCheckBoxItemStateChanged() {
    config_.reconnect = reconnectCheckBox->isChecked();
}

void SettingsTab::readingLogTextFieldActionPerformed() {
    config_.setReadingLog(readingLogTextField->text().trimmed());
}

void SettingsTab::readingLogButtonActionPerformed() {
    if (!chooseFolder_) return;
    const auto folder = chooseFolder_(readingLogTextField->text().trimmed());
    if (!folder) return;
    readingLogTextField->setText(*folder);
    readingLogTextFieldActionPerformed();
}

void SettingsTab::updateConfig() {
    minimizeToTrayCheckBoxItemStateChanged();
    notifyWhenMinimizedToTrayCheckBoxItemStateChanged();
    checkForUpdatesCheckBoxItemStateChanged();
    abortAutoStartCheckBoxItemStateChanged();
    reconnectCheckBoxItemStateChanged();
    readingLogTextFieldActionPerformed();
}
