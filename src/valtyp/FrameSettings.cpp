// Loading, saving and synchronising the settings of the main window.

#include "Serialio/StablePortNames.h"
#include "valtyp/Dialogs.h"
#include "valtyp/InputTab.h"
#include "valtyp/OutputTab.h"
#include "valtyp/ProcessingTab.h"
#include "valtyp/SettingsTab.h"
#include "valtyp/Texts.h"
#include "valtyp/VideriRaZivFrame2.h"
#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/ConfigStore.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

using Texts::text;

void VideriRaZivFrame2::loadSettings() {
    try {
        if (!loadConfig()) {
            dialogs().error(text("error.while.loading.settings"),
                            text("invalid.settings.replaced.by.defaults"));
        }
    } catch (const std::exception&) {
        config =
            ConfigKeys::load([](const QString&) { return std::optional<QString>(); }, ports).config;
        dialogs().error(text("error.while.loading.settings"),
                        text("access.error.while.loading.settings"));
    }
    if (fixedPort_) {
        config.setPort(ports.first());
        return;
    }
    // Settings saved with the kernel's name of a port that is now listed by its stable link
    // go on with the link, so later starts find the adapter wherever it was numbered.
    const QString port = config.getPort();
    if (port.isEmpty() || ports.contains(port)) return;
    const auto link = Serialio::StablePortNames::linkFor(port.toStdString());
    if (!link || !ports.contains(QString::fromStdString(*link))) return;
    if (config.getPrevPort() == port) config.setPrevPort(QString::fromStdString(*link));
    config.setPort(QString::fromStdString(*link));
}

bool VideriRaZivFrame2::loadConfig() {
    node = &ConfigStore::settingsNode();
    node->keys();  // a store that cannot be read says so here, not with silent defaults
    ConfigKeys::LoadResult loaded = ConfigStore::loadConfig(*node, ports);
    config = loaded.config;
    return loaded.allValid;
}

bool VideriRaZivFrame2::saveConfig() {
    QString failure;
    if (node == nullptr) {
        try {
            node = &ConfigStore::settingsNode();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "saveConfig exception: %s\n", e.what());
            failure = QString::fromUtf8(e.what());
        }
    }
    if (node != nullptr && ConfigStore::saveConfig(config, *node, &failure)) return true;
    // The dialogs say that saving failed; the log keeps why (a shared folder that is
    // missing or not writable, a full disk), also after the window is gone.
    logImportantEvent(text("settings.not.saved.0").replace(QStringLiteral("{0}"), failure));
    return false;
}

bool VideriRaZivFrame2::saveNecessary() {
    if (!config.hasChanged(oldConfig)) return false;
    oldConfig = config.copyConfig();
    return true;
}

void VideriRaZivFrame2::updateConfigFromTabs() {
    inputPanel->updateConfig();  // port, instrument, line settings, terminator
    connectButtonActionPerformed();
    outputPanel->updateConfig();  // keyboard, delay, separator, framing, every X values
    processingPanel->updateRounding();
    processingPanel->updateArithmetic();
    outputPanel->soundComboBoxItemStateChanged();
    processingPanel->updateEditing();  // and an operation without operand becomes none
    processingPanel->stableOnlyCheckBoxActionPerformed();
    warnDivisionWithoutRounding();
    settingsPanel->updateConfig();
}

void VideriRaZivFrame2::warnDivisionWithoutRounding() {
    if (mathRoundingErrorWarningDisplayed ||
        config.getMathOperation() != ConfigHelper::MathOperation::DIVIDE ||
        !processingPanel->decimalTextField->text().isEmpty()) {
        return;
    }
    if (autoStarting_) {
        // Nobody is at the window to answer a dialog, and a hidden tab's field
        // must not take the focus: the log says it, once per start.
        if (!autoStartWarningLogged_) {
            autoStartWarningLogged_ = true;
            logImportantEvent(
                text("please.enter.number.of.decimal.places.for.rounding.or.disable.division"));
        }
        return;
    }
    // Taken at once, so that a second synchronisation before the task runs
    // does not warn twice.
    mathRoundingErrorWarningDisplayed = true;
    QTimer::singleShot(0, this, [this] {
        selectPanel(processingPanel);
        processingPanel->decimalTextField->setFocus(Qt::OtherFocusReason);
        dialogs().error(
            text("error"),
            text("please.enter.number.of.decimal.places.for.rounding.or.disable.division"));
    });
}

void VideriRaZivFrame2::connectButtonActionPerformed() {
    if (settingsPanel->autoConnectChosen()) {
        config.setConnect(ConfigHelper::Connect::AUTO);
        return;
    }
    config.setConnect(ConfigHelper::Connect::MANUAL);
    removeMinimizeToTraySupport();
}

void VideriRaZivFrame2::tabbedPaneStateChanged(int index) {
    QWidget* left = currentPanel_;
    currentTabIndex = index;
    currentPanel_ = tabbedPane->widget(index);
    // Tabs come and go with a run; that is no visit by the user. Once the
    // program ends, nothing is saved on the way out but by the close itself.
    if (switchingLook_ || isClosing()) return;
    // Leaving a tab whose settings take effect at the next start saves them;
    // the settings tab and the log do not.
    if (left != inputPanel && left != processingPanel && left != outputPanel &&
        left != aboutPanel) {
        return;
    }
    updateConfigFromTabs();
    if (saveNecessary() && !saveConfig()) dialogs().error(text("error"), text("autosave.error"));
}
