// The dialogs the settings tabs open, automatic port detection, and the
// settings export and import of the main window.

#include "valtyp/AutoPortDialog.h"
#include "valtyp/CustomRegExDialog.h"
#include "valtyp/Dialogs.h"
#include "valtyp/IdentifyDialog.h"
#include "valtyp/IgnoreDialog.h"
#include "valtyp/InputTab.h"
#include "valtyp/ProcessingTab.h"
#include "valtyp/SettingsTab.h"
#include "valtyp/Texts.h"
#include "valtyp/VideriRaZivFrame2.h"
#include "valtyp/prefs/ConfigStore.h"
#include "valtyp/prefs/PreferencesErrors.h"
#include "valtyp/prefs/SettingsTransfer.h"
#include "valtyp/prefs/UserCancelException.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

using ConfigHelper::Instrument;
using Texts::text;

namespace {

const QString xmlFiles = QStringLiteral("XML (*.xml)");

QString messageOf(const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
}

}  // namespace

void VideriRaZivFrame2::connectDialogButtons() {
    const std::pair<QPushButton*, void (VideriRaZivFrame2::*)()> buttons[] = {
        {inputPanel->autoButton, &VideriRaZivFrame2::autoButtonActionPerformed},
        {inputPanel->customizeButton, &VideriRaZivFrame2::customizeButtonActionPerformed},
        {inputPanel->identifyButton, &VideriRaZivFrame2::identifyButtonActionPerformed},
        {processingPanel->adjustIgnoreButton,
         &VideriRaZivFrame2::adjustIgnoreButtonActionPerformed},
        {settingsPanel->exportSettingsButton,
         &VideriRaZivFrame2::exportSettingsButtonActionPerformed},
        {settingsPanel->importSettingsButton,
         &VideriRaZivFrame2::importSettingsButtonActionPerformed},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QPushButton::clicked, this,
                [this, handler = handler] { (this->*handler)(); });
    }
}

void VideriRaZivFrame2::adjustIgnoreButtonActionPerformed() {
    IgnoreDialog dialog(this, config, dialogs());
    dialog.exec();
    // A cancelled dialog answers the values it opened with.
    config.setIgnoreTimeLimit(dialog.getIgnoreTimeLimit());
    config.setIgnoreDifference(dialog.getIgnoreDifference());
}

void VideriRaZivFrame2::customizeButtonActionPerformed() {
    const Instrument instrument =
        config.getInstrument().value_or(Options<Instrument>::getDefault());
    const QString initial = config.getCustomRegEx().isEmpty() ? ConfigHelper::getPattern(instrument)
                                                              : config.getCustomRegEx();
    CustomRegExDialog dialog(this, initial, instrument, dialogs());
    dialog.exec();
    // Confirming the instrument's own expression unchanged sets no custom
    // one; confirming an empty text removes it.
    if (dialog.getRegEx() != initial) config.setCustomRegEx(dialog.getRegEx());
}

void VideriRaZivFrame2::autoButtonActionPerformed() {
    auto* dialog = new AutoPortDialog(this, ports, [this](const QString& name) { setPort(name); });
    dialog->open();  // modal over the window; the dialog deletes itself when closed
}

void VideriRaZivFrame2::identifyButtonActionPerformed() {
    const auto port = inputPanel->selectedPort();
    if (!port) {
        dialogs().error(text("error"), text("IdentifyDialog.noPort"));
        return;
    }
    const auto use = [this](const IdentifyDialog::Found& found) {
        Config lines;
        found.lines.applyTo(lines);
        lines.setInputTerminator(found.terminator);
        inputPanel->useIdentified(found.instrument, lines, found.request);
    };
    IdentifyDialog::Actions actions;
    actions.use = use;
    actions.writeExpression = [this, use](const IdentifyDialog::Found& found,
                                          const QStringList& records) {
        use(found);
        // Opened once the identification window has gone.
        QMetaObject::invokeMethod(
            this,
            [this, instrument = found.instrument, records] {
                const QString initial = config.getCustomRegEx().isEmpty()
                                            ? ConfigHelper::getPattern(instrument)
                                            : config.getCustomRegEx();
                CustomRegExDialog dialog(this, initial, instrument, dialogs(), records);
                dialog.exec();
                if (dialog.getRegEx() != initial) config.setCustomRegEx(dialog.getRegEx());
            },
            Qt::QueuedConnection);
    };
    auto* dialog = new IdentifyDialog(this, *port, LineSetting::of(config), identifyTimings,
                                      std::move(actions));
    dialog->open();  // modal over the window; the dialog deletes itself when closed
}

void VideriRaZivFrame2::setPort(const QString& name) {
    if (AutoPortDialog::selectPortIn(*inputPanel->portList, name)) {
        inputPanel->portListItemStateChanged();
    }
}

void VideriRaZivFrame2::exportSettingsButtonActionPerformed() {
    const auto file = dialogs().chooseSaveFile(
        text("export.settings.title"),
        QDir::current().filePath(QLatin1StringView(SettingsTransfer::suggestedFileName)), xmlFiles);
    if (!file) return;
    try {
        if (QFileInfo::exists(*file) &&
            !dialogs().askOkCancel(text("overwrite"), text("file.already.exists.overwrite"))) {
            throw UserCancelException(SettingsTransfer::cancelledByUser().toStdString());
        }
        // The file holds exactly what the window shows.
        updateConfigFromTabs();
        if (!saveConfig()) {
            throw BackingStoreException(text("access.error.while.saving.settings").toStdString());
        }
        SettingsTransfer(*node).exportTo(*file);
    } catch (const std::exception& e) {
        dialogs().error(text("error"), SettingsTransfer::exportFailedMessage(messageOf(e)));
        return;
    }
    dialogs().information(text("export.successful"), SettingsTransfer::exportedMessage(*file));
}

void VideriRaZivFrame2::importSettingsButtonActionPerformed() {
    const auto file =
        dialogs().chooseOpenFile(text("import.settings.title"), QDir::currentPath(), xmlFiles);
    if (!file) return;
    try {
        if (node == nullptr) node = &ConfigStore::settingsNode();
        SettingsTransfer(*node).importFrom(*file);
    } catch (const std::exception& e) {
        dialogs().error(text("error"), SettingsTransfer::importFailedMessage(messageOf(e)));
        return;
    }
    if (dialogs().askOkCancel(QLatin1StringView(SettingsTransfer::restartTitle),
                              QLatin1StringView(SettingsTransfer::restartQuestion))) {
        // The next start loads the imported settings: nothing saves the
        // window's over them on the way out.
        endWithoutSaving(kImportedExitStatus);
    }
    // Otherwise the window goes on with its settings, and the next save
    // writes them over the imported ones.
}
