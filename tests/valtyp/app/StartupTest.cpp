// The start-up sequence: which ports are offered, what is stored, when the
// program starts by itself, and the fatal ends with their exit statuses.

#include "FrameFixture.h"
#include "PseudoTerminal.h"

#include "Serialio/SerialPortLocal.h"
#include "Serialio/StablePortNames.h"
#include "Serialio/SystemProperties.h"
#include "config/BundleKeys.h"
#include "platform/serial/sim/SimControl.h"
#include "valtyp/Icons.h"
#include "valtyp/StartupExit.h"
#include "valtyp/VideriRaZiv.h"
#include "valtyp/util/UpdateCheckStart.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>

#include <sys/utsname.h>

namespace {

QStringList items(QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
    return list;
}

const QString fatalText = QStringLiteral(
    "Program files seem to be damaged or missing!\nTry downloading and reinstalling the program.");

}  // namespace

TEST_F(FrameTest, PortArgumentIsTheOnlyPortIsStoredAndStartsAutomaticallyWhateverThePreviousPort) {
    PseudoTerminal line;
    store("port", "/dev/ttyS7");
    store("prevPort", "/dev/ttyS7");
    store("connect", "AUTO");
    store("abortAutoStartWhenPrevPortNotAvailable", "true");
    store("minimizeToTray", "false");
    open({line.portPath()});
    EXPECT_EQ(frame->getPortList(), QStringList{line.portPath()});
    EXPECT_EQ(items(child<QComboBox>("portList")), QStringList{line.portPath()});
    EXPECT_TRUE(frame->isConnected());
    EXPECT_TRUE(dialogs.shown.empty()) << dialogTexts().join('|').toStdString();
    frame->thisWindowClosed();
    EXPECT_EQ(saved("port"), line.portPath());
    EXPECT_EQ(saved("prevPort"), line.portPath());
}

TEST_F(FrameTest, EmptyArgumentListsThePortsByTheirDisplayNames) {
    useSimulatedPorts({"/dev/ttyUSB1", "/dev/ttyUSB0"});
    store("port", "/dev/ttyUSB1");
    open({QString()});
    EXPECT_EQ(frame->getPortList(), (QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"}));
    auto* ports = child<QComboBox>("portList");
    EXPECT_EQ(items(ports), (QStringList{"/dev/ttyUSB0: USB Serial Port - Maker",
                                         "/dev/ttyUSB1: USB Serial Port - Maker"}));
    EXPECT_EQ(ports->currentText(), "/dev/ttyUSB1: USB Serial Port - Maker");
    EXPECT_EQ(frame->currentConfig().getPort(), "/dev/ttyUSB1");
    EXPECT_FALSE(frame->isConnected());
}

TEST_F(FrameTest, APortWithAStableLinkIsChosenAndStoredByTheLink) {
    // A folder standing in for /dev/serial/by-id.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("by-id")));
    const QString link = dir.filePath("by-id/usb-Maker_Port_123-if00-port0");
    ASSERT_TRUE(QFile::link("/dev/ttyUSB0", link));
    Serialio::SystemProperties::set(Serialio::StablePortNames::FOLDER_PROPERTY,
                                    dir.filePath("by-id").toStdString());
    useSimulatedPorts({"/dev/ttyUSB1", "/dev/ttyUSB0"});
    // Saved before the port was listed by its link.
    store("port", "/dev/ttyUSB0");
    store("prevPort", "/dev/ttyUSB0");
    open({QString()});
    Serialio::SystemProperties::clear(Serialio::StablePortNames::FOLDER_PROPERTY);
    EXPECT_EQ(frame->getPortList(), (QStringList{"/dev/ttyUSB1", link}));
    auto* ports = child<QComboBox>("portList");
    EXPECT_EQ(ports->currentText(), "/dev/ttyUSB0: USB Serial Port - Maker");
    EXPECT_EQ(frame->currentConfig().getPort(), link);
    EXPECT_EQ(frame->currentConfig().getPrevPort(), link);
    frame->thisWindowClosed();
    EXPECT_EQ(saved("port"), link);
}

TEST_F(FrameTest, AFailedSaveAtShutdownIsLoggedWithItsReason) {
    PseudoTerminal line;
    const ScopedEnv programData("ProgramData", dir.path().toLocal8Bit());
    QFile blocker(dir.filePath("Belmaro"));  // a file where the shared folder belongs
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Serialio::SystemProperties::set("EDITION", "HUB");
    open({line.portPath()});
    Serialio::SystemProperties::clear("EDITION");
    frame->thisWindowClosed();
    EXPECT_EQ(dialogs.titles(), QStringList{"Error"});
    const QString reason = "The settings could not be saved: mkdir " +
                           dir.filePath("Belmaro/ValtypHUB") + ": Not a directory";
    const QStringList important = logFragments().filter(QStringLiteral("important:"));
    ASSERT_EQ(important.size(), 1) << logFragments().join('|').toStdString();
    EXPECT_TRUE(important[0].trimmed().endsWith(reason)) << important[0].toStdString();
}

TEST_F(FrameTest, AutomaticStartAbortsWhenThePreviousPortIsGone) {
    useSimulatedPorts({"/dev/ttyUSB0"});
    store("port", "/dev/ttyUSB3");
    store("prevPort", "/dev/ttyUSB3");
    store("connect", "AUTO");
    store("abortAutoStartWhenPrevPortNotAvailable", "true");
    open();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_TRUE(dialogs.shown[0].text.contains("/dev/ttyUSB3"))
        << dialogs.shown[0].text.toStdString();
    EXPECT_FALSE(frame->isConnected());
    EXPECT_FALSE(SimIsOpen("/dev/ttyUSB0"));
}

TEST_F(FrameTest, AutomaticStartWithoutTheAbortRuleOpensTheSelectedPort) {
    useSimulatedPorts({"/dev/ttyUSB0"});
    store("port", "/dev/ttyUSB3");
    store("prevPort", "/dev/ttyUSB3");
    store("connect", "AUTO");
    store("abortAutoStartWhenPrevPortNotAvailable", "false");
    store("minimizeToTray", "false");
    open();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogTexts().join('|').toStdString();
    EXPECT_TRUE(frame->isConnected());
    EXPECT_TRUE(SimIsOpen("/dev/ttyUSB0"));
    clickStartStop();
    EXPECT_TRUE(waitConnected(false));
    EXPECT_FALSE(SimIsOpen("/dev/ttyUSB0"));
}

TEST_F(FrameTest, AutomaticStartWithTrayFlagMinimisesTheWindowWhichStaysWithoutATray) {
    PseudoTerminal line;
    store("connect", "AUTO");
    store("minimizeToTray", "true");
    open({line.portPath()});
    EXPECT_TRUE(frame->isConnected());
    EXPECT_TRUE(frame->isMinimized());
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame->isVisible()) << "no tray here: minimising works as usual";
}

TEST_F(FrameTest, WithoutAnyPortTheWindowOpensWithAnEmptyChooser) {
    useSimulatedPorts({});
    open();
    ASSERT_EQ(dialogs.titles(), QStringList{"Error"});
    EXPECT_EQ(dialogs.shown[0].text, "No serial (RS-232) port was found on this computer.");
    EXPECT_EQ(child<QComboBox>("portList")->count(), 0);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(exits.empty());
}

TEST_F(FrameTest, InvalidStoredSettingsAreReplacedAndReportedOnce) {
    PseudoTerminal line;
    store("bitRate", "99");
    store("parity", "sideways");
    store("instrument", "KERN_MPS");
    open({line.portPath()});
    ASSERT_EQ(dialogs.titles(), QStringList{"Error while loading settings"});
    EXPECT_EQ(frame->currentConfig().getBitRate(), 7);  // 9600
    EXPECT_EQ(frame->currentConfig().getParity(), 0);
    EXPECT_EQ(frame->currentConfig().getInstrument(), ConfigHelper::Instrument::KERN_MPS);
}

TEST_F(FrameTest, DamagedOrIncompleteBundlesEndTheStartWithStatusFour) {
    const QString folder = dir.filePath("bundles");
    ASSERT_TRUE(QDir().mkpath(folder));
    const ScopedEnv bundleDir("VALTYP_BUNDLE_DIR", folder.toLocal8Bit());
    auto copyBundle = [&](const QString& base, const QString& resource, const QByteArray& extra,
                          const QString& dropKey) {
        QFile in(resource);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QFile out(QDir(folder).filePath(base + ".properties"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QByteArray& line : in.readAll().split('\n')) {
            if (!dropKey.isEmpty() && line.startsWith(dropKey.toLatin1() + '=')) continue;
            out.write(line + '\n');
        }
        out.write(extra);
    };
    auto writeAll = [&](const QString& dropKey, const QByteArray& damage) {
        copyBundle("valtyp.Valtyp", ":/valtyp/Valtyp.properties", damage, dropKey);
        copyBundle("valtyp.config.ConfigBundle", ":/valtyp/config/ConfigBundle.properties", {}, {});
        copyBundle("valtyp.worker.WorkerBundle", ":/valtyp/worker/WorkerBundle.properties", {}, {});
    };

    writeAll({}, {});
    PseudoTerminal line;
    EXPECT_EQ(startupStatus({line.portPath()}), std::nullopt) << "the intact copy is accepted";
    frame.reset();
    dialogs.shown.clear();

    for (std::string_view key : {BundleKeys::valtyp.front(), BundleKeys::valtyp.back()}) {
        writeAll(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())), {});
        EXPECT_EQ(startupStatus({line.portPath()}), StartupExit::kDamagedResources) << key;
    }
    writeAll({}, "broken=\\u12G4\n");
    EXPECT_EQ(startupStatus({line.portPath()}), StartupExit::kDamagedResources);
    writeAll({}, "update.available=<html><a href=\"file:///bin/sh\">Update</a></html>\n");
    EXPECT_EQ(startupStatus({line.portPath()}), StartupExit::kDamagedResources)
        << "an update text must link a web address";
    QFile::remove(QDir(folder).filePath("valtyp.worker.WorkerBundle.properties"));
    EXPECT_EQ(startupStatus({line.portPath()}), StartupExit::kDamagedResources);

    ASSERT_EQ(dialogs.shown.size(), 5u);
    for (const auto& shown : dialogs.shown) {
        EXPECT_EQ(shown.kind, "error");
        EXPECT_EQ(shown.title, "Fatal error");
        EXPECT_EQ(shown.text, fatalText);
    }
    EXPECT_EQ(frame, nullptr);
}

TEST_F(FrameTest, MissingSerialDriverEndsTheStartWithStatusTwo) {
    simulated.emplace();  // the platform's driver comes back afterwards
    Serialio::SerialPortLocal::setNativeLibName("valtypserial-missing");
    Serialio::SerialPortLocal::reinitialize();
    EXPECT_EQ(startupStatus(), StartupExit::kNoNativeDriver);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Fatal error");
    utsname system{};
    ASSERT_EQ(uname(&system), 0);
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("The serial port driver library is missing or does not match this "
                             "system (Linux %1). The program will now exit.")
                  .arg(QString::fromLatin1(system.machine)));
}

TEST(StartupProperties, NameThisPlatformAndCopyTheEdition) {
    widgetApp();
    using Serialio::SystemProperties;
    {
        const ScopedEnv edition("EDITION", "HUB");
        SystemProperties::set("VERSION", "0");
        VideriRaZiv::setDefaultProperties();
        EXPECT_EQ(SystemProperties::get("EDITION"), "HUB");
    }
    utsname system{};
    ASSERT_EQ(uname(&system), 0);
    EXPECT_EQ(SystemProperties::get("VERSION"), "2017.1.3.5");
    EXPECT_EQ(SystemProperties::get("RELEASEDATE"), "20171030");
    EXPECT_EQ(SystemProperties::get("JSP_OSNAME"), "Linux");
    EXPECT_EQ(SystemProperties::get("JSP_OSARCH"), std::string(system.machine));
    SystemProperties::clear("EDITION");
}

TEST(Startup, AnEditionArgumentSetsTheEditionAndLeavesThePortArgument) {
    using Serialio::SystemProperties;
    QStringList args{"--edition=HUB", "/dev/ttyUSB0"};
    VideriRaZiv::takeEditionArgument(args);
    EXPECT_EQ(args, QStringList{"/dev/ttyUSB0"});
    EXPECT_EQ(SystemProperties::get("EDITION"), "HUB");
    QStringList portOnly{"COM7"};
    VideriRaZiv::takeEditionArgument(portOnly);
    EXPECT_EQ(portOnly, QStringList{"COM7"});
    SystemProperties::clear("EDITION");
}

TEST_F(FrameTest, HubEditionKeepsItsSettingsInTheSharedFileAndSaysSoInTheTitle) {
    PseudoTerminal line;
    const ScopedEnv programData("ProgramData", dir.path().toLocal8Bit());
    ASSERT_TRUE(QDir().mkpath(dir.filePath("Belmaro/ValtypHUB")));
    Serialio::SystemProperties::set("EDITION", "HUB");
    open({line.portPath()});
    Serialio::SystemProperties::clear("EDITION");
    EXPECT_EQ(frame->windowTitle(), "Belmaro Valtyp HUB");
    frame->thisWindowClosed();
    QFile shared(dir.filePath("Belmaro/ValtypHUB/prefs.txt"));
    ASSERT_TRUE(shared.open(QIODevice::ReadOnly));
    EXPECT_TRUE(shared.readAll().contains(line.portPath().toLatin1()));
}

// The window shows the desktop's themed icon of its edition where the theme
// has one, else the built-in images of 16 to 32 pixels.
TEST_F(FrameTest, RegularEditionTitleAndThemedIconElseTheBuiltInOnes) {
    // A theme standing in for /usr/share/icons/hicolor, with the regular icon only.
    const QString theme = dir.filePath("icons/hicolor");
    ASSERT_TRUE(QDir().mkpath(theme + "/48x48/apps"));
    QFile index(theme + "/index.theme");
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write(
        "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
        "[48x48/apps]\nSize=48\nType=Fixed\n");
    index.close();
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(theme + "/48x48/apps/com.belmaro.Valtyp.png"));
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.filePath("icons")});
    QIcon::setThemeName("hicolor");

    PseudoTerminal line;
    open({line.portPath()});
    EXPECT_EQ(frame->windowTitle(), "Belmaro Valtyp");
    EXPECT_EQ(frame->windowIcon().availableSizes(), QList<QSize>{QSize(48, 48)});
    EXPECT_EQ(frame->windowIcon().pixmap(48).toImage().pixelColor(24, 24), QColor(Qt::red));

    const QList<QSize> builtIn{QSize(32, 32), QSize(24, 24), QSize(20, 20), QSize(16, 16)};
    EXPECT_EQ(Icons::themedWindowIcon(true).availableSizes(), builtIn);  // not in the theme
    QIcon::setThemeSearchPaths({dir.filePath("no-icons")});
    EXPECT_EQ(Icons::themedWindowIcon(false).availableSizes(), builtIn);  // no theme at all

    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
}

TEST(UpdateCheckStart, TheUniformDrawHitsZeroAboutOnceInFour) {
    const UpdateCheckStart::Draw draw = UpdateCheckStart::uniformDraw();
    int hits = 0;
    int outside = 0;
    for (int i = 0; i < 8000; ++i) {
        const int d = draw();
        if (d < 0 || d > 3) ++outside;
        if (UpdateCheckStart::drawn(true, [d] { return d; })) ++hits;
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(hits, 1700);  // 2000 expected; the bounds are over 6 standard deviations wide
    EXPECT_LT(hits, 2300);
    EXPECT_FALSE(UpdateCheckStart::drawn(false, [] { return 0; }));
}
