// The start-up sequence and the shutdown of the main window.

#include "valtyp/VideriRaZivFrame2.h"

#include "Serialio/FriendlyPortUtil.h"
#include "Serialio/SerialPortLocal.h"
#include "Serialio/SystemProperties.h"
#include "config/BundleKeys.h"
#include "valtyp/Dialogs.h"
#include "valtyp/EventLog.h"
#include "valtyp/Icons.h"
#include "valtyp/InputTab.h"
#include "valtyp/StartupExit.h"
#include "valtyp/Texts.h"
#include "valtyp/ToolTipDelay.h"
#include "valtyp/TraySupport.h"
#include "valtyp/util/OpenHyperlinkInBrowser.h"
#include "valtyp/util/UpdateWorker.h"
#include "worker/FocusGuard.h"
#include "worker/Keybot.h"
#include "worker/ReadingLog.h"
#include "worker/SoundBot.h"
#include "worker/TemplateFiller.h"
#include "worker/WeightWorker.h"

#include <QCloseEvent>
#include <QDir>

using Texts::text;

namespace {

bool closing = false;

bool hubEdition() {
    return Serialio::SystemProperties::get("EDITION", "") == "HUB";
}

QString fromStd(const std::string& s) {
    return QString::fromStdString(s);
}

// Where the start-up check reads the bundles from: the program's own, or the
// files of a folder named by VALTYP_BUNDLE_DIR ("valtyp.Valtyp.properties"
// and so on), so that a damaged installation can be tried out.
ResourceBundle bundleToCheck(const QString& baseName) {
    const QString folder = qEnvironmentVariable("VALTYP_BUNDLE_DIR");
    if (folder.isEmpty()) return ResourceBundle::getBundle(baseName);
    return ResourceBundle::fromFile(
        baseName, QDir(folder).filePath(baseName + QStringLiteral(".properties")));
}

void checkUpdateTexts(const ResourceBundle& bundle) {
    // The status line opens their link when clicked: it must be a web address.
    for (const char* key : {"update.available", "update.available.hub"}) {
        const QString text = bundle.getString(QLatin1StringView(key));
        if (!OpenHyperlinkInBrowser::containsHyperlink(text) ||
            !LinkRunner::isWebAddress(QUrl(OpenHyperlinkInBrowser::getPlainLink(text)))) {
            throw std::invalid_argument(std::string("damaged text ") + key);
        }
    }
}

}  // namespace

VideriRaZivFrame2::VideriRaZivFrame2(const QStringList& args, FrameServices services)
    : services_(std::move(services)) {
    closing = false;
    dialogs().setOwner(this);
    checkResourceBundles();
    decidePortList(args);
    loadSettings();
    oldConfig = config.copyConfig();
    initComponents();
    setWindowTitle(QLatin1StringView(hubEdition() ? kHubTitle : kTitle));
    startUpdateCheckOnceInFour();
    setWindowIcon(Icons::themedWindowIcon(hubEdition()));
    show();
    new ToolTipDelay(this);
    autoStarting_ = config.getConnect() == ConfigHelper::Connect::AUTO;
    updateConfigFromTabs();
    if (config.minimizeToTray) addMinimizeToTraySupport();
    autoStart();
    autoStarting_ = false;
}

VideriRaZivFrame2::~VideriRaZivFrame2() {
    if (weightWorker) weightWorker->cancel();
    weightWorker.reset();  // joins its thread while the window can still take its reports
    releaseRunObjects();
}

void VideriRaZivFrame2::checkResourceBundles() {
    try {
        Texts::bundle();
        for (const BundleKeys::BundleKeyList& list : BundleKeys::all) {
            const ResourceBundle bundle = bundleToCheck(QString::fromUtf8(list.baseName));
            for (std::string_view key : list.keys) {
                bundle.getString(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
            }
            if (list.baseName == BundleKeys::valtypBundleName) checkUpdateTexts(bundle);
        }
    } catch (const std::exception&) {
        // Not looked up: the texts themselves may be what is missing.
        dialogs().error(QStringLiteral("Fatal error"),
                        QStringLiteral("Program files seem to be damaged or missing!\n"
                                       "Try downloading and reinstalling the program."));
        throw StartupExit(StartupExit::kDamagedResources);
    }
}

void VideriRaZivFrame2::decidePortList(const QStringList& args) {
    if (!args.isEmpty() && !args.first().isEmpty()) {
        ports = QStringList{args.first()};
        fixedPort_ = true;
        return;
    }
    if (!Serialio::SerialPortLocal::isLibraryLoaded()) {
        QString message = text("library.jspwin.not.found.or.not.matching.your.system");
        const QString os = fromStd(Serialio::SerialPortLocal::getOsName());
        const QString arch = fromStd(Serialio::SerialPortLocal::getOsArch());
        if (!os.isEmpty() && !arch.isEmpty()) message += QStringLiteral(" (%1 %2)").arg(os, arch);
        dialogs().error(text("fatal.error"), message + text("program.will.now.exit"));
        throw StartupExit(StartupExit::kNoNativeDriver);
    }
    // Without any port the window still opens, with an empty chooser: the
    // user may plug an adapter in and refresh.
    ports = listPorts();
}

QStringList VideriRaZivFrame2::listPorts() {
    QStringList found;
    try {
        bool nameMissing = false;
        for (const std::string& name : Serialio::SerialPortLocal::getPortList()) {
            if (name.empty()) {
                nameMissing = true;
            } else {
                found << fromStd(name);
            }
        }
        // Also when nothing is found: the names of ports that are gone must go with them.
        Serialio::FriendlyPortUtil::update();
        if (found.isEmpty())
            dialogs().error(text("error"),
                            text("no.rs.232.port.found.on.your.system.program.will.now.exit"));
        if (nameMissing) dialogs().error(text("error"), text("error.listing.available.ports"));
    } catch (const std::exception& e) {
        dialogs().error(text("error"),
                        text("error.listing.available.ports") + QString::fromLocal8Bit(e.what()));
    }
    return found;
}

void VideriRaZivFrame2::startUpdateCheckOnceInFour() {
    if (!services_.updateDraw) return;
    if (UpdateCheckStart::drawn(config.checkForUpdates, services_.updateDraw) &&
        services_.updateCheck) {
        updateWorker = services_.updateCheck(*this);
        if (updateWorker) updateWorker->execute();
    }
}

void VideriRaZivFrame2::addMinimizeToTraySupport() {
    if (wsl || !TraySupport::available()) return;
    wsl = std::make_unique<TraySupport>(*this, Icons::windowIcons(hubEdition()),
                                        [this] { return config.notifyWhenMinimizedToTray; });
}

void VideriRaZivFrame2::removeMinimizeToTraySupport() {
    wsl.reset();
}

std::function<void(const QString&)> VideriRaZivFrame2::linkOpener() {
    if (!services_.browser) return {};
    return [this](const QString& address) {
        OpenHyperlinkInBrowser::openHyperlink(address, dialogs(), services_.browser);
    };
}

void VideriRaZivFrame2::autoStart() {
    if (config.getConnect() != ConfigHelper::Connect::AUTO) return;
    const QString previous = config.getPrevPort().value_or(QString());
    if (config.abortAutoStartWhenPrevPortNotAvailable && config.getPort() != previous &&
        !fixedPort_) {
        dialogs().error(text("error"),
                        text("previously.used.port.0.no.longer.available.naborting.auto.start")
                            .replace(QStringLiteral("{0}"), previous));
        return;
    }
    startStopJButtonActionPerformed();
    if (config.minimizeToTray) showMinimized();
}

void VideriRaZivFrame2::closeEvent(QCloseEvent* event) {
    event->accept();
    thisWindowClosed();
}

void VideriRaZivFrame2::thisWindowClosed() {
    if (closing) return;
    closing = true;
    updateConfigFromTabs();
    if (!saveConfig()) dialogs().error(text("error"), text("access.error.while.saving.settings"));
    // A running acquisition ends with the process.
    if (services_.exit) services_.exit(0);
}

void VideriRaZivFrame2::endWithoutSaving(int status) {
    closing = true;  // the close that follows saves nothing
    if (services_.exit) services_.exit(status);
}

bool VideriRaZivFrame2::isClosing() {
    return closing;
}
