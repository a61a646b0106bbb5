#include "valtyp/VideriRaZiv.h"

#include "Serialio/SystemProperties.h"
#include "platform/ShutdownRequests.h"
#include "platform/System.h"
#include "valtyp/StartupExit.h"
#include "valtyp/VideriRaZivFrame2.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <iostream>
#include <optional>
#include <string_view>

namespace {

// The serial library picks its native driver by these two names.
std::pair<std::string, std::string> platformNames() {
    std::string why;
    std::optional<platform::SystemNames> names = platform::systemNames(&why);
    if (!names) {
        std::cerr << why << std::endl;
        return {"Linux", ""};
    }
    return {names->osName, names->osArch};
}

constexpr const char* kHelp =
    "Usage: valtyp [OPTION]... [PORT]\n"
    "Type the readings of a serial instrument as keystrokes into the application\n"
    "that has the keyboard focus.\n\n"
    "With PORT (for example /dev/ttyUSB0), offer only that serial port.\n\n"
    "      --edition=HUB  the HUB edition, as EDITION=HUB does\n"
    "      --help         display this help and exit\n"
    "      --version      output version information and exit\n\n"
    "Environment:\n"
    "  EDITION=HUB        the HUB edition: settings shared by every user of the machine\n"
    "  VALTYP_KEYS        x11 or uinput: how keystrokes are typed\n"
    "  VALTYP_UPDATE_URL  https:// address of the version document\n\n"
    "Exit status: 0 window closed; 2 serial driver missing or unsuitable;\n"
    "4 program files damaged, or settings imported.\n\n"
    "Full documentation: man valtyp\n";

}  // namespace

std::optional<int> VideriRaZiv::answerInformationOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--help") {
            std::cout << kHelp << std::flush;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "valtyp (Valtyp) " VALTYP_VERSION "\n" << std::flush;
            return 0;
        }
    }
    return std::nullopt;
}

void VideriRaZiv::takeEditionArgument(QStringList& args) {
    static const QString option = QStringLiteral("--edition=");
    for (auto arg = args.begin(); arg != args.end();) {
        if (!arg->startsWith(option)) {
            ++arg;
            continue;
        }
        Serialio::SystemProperties::set("EDITION", arg->mid(option.size()).toStdString());
        arg = args.erase(arg);
    }
}

void VideriRaZiv::setDefaultProperties() {
    using Serialio::SystemProperties;
    SystemProperties::set("VERSION", "2017.1.3.5");
    SystemProperties::set("RELEASEDATE", "20171030");
    const auto [osName, osArch] = platformNames();
    SystemProperties::set("JSP_OSNAME", osName);
    SystemProperties::set("JSP_OSARCH", osArch);
    // The edition's launcher says which edition runs.
    const QByteArray edition = qgetenv("EDITION");
    if (!edition.isNull()) SystemProperties::set("EDITION", edition.toStdString());
}

std::unique_ptr<VideriRaZivFrame2> VideriRaZiv::createGUI(const QStringList& args,
                                                          FrameServices services) {
    return std::make_unique<VideriRaZivFrame2>(args, std::move(services));
}

int VideriRaZiv::main(int argc, char** argv, FrameServices services) {
    // Answered before any window system is needed.
    if (const auto status = answerInformationOptions(argc, argv)) return *status;
    QLocale::setDefault(QLocale(QLocale::English));
    setDefaultProperties();
    QApplication app(argc, argv);  // Qt's style follows the desktop's own look
    QStringList args = QApplication::arguments().mid(1);
    takeEditionArgument(args);
    std::unique_ptr<VideriRaZivFrame2> frame;
    // SIGTERM and SIGINT (Ctrl+C, the console closing on Windows) close the window like its
    // close box, so that a session ending or a terminal's Ctrl+C still saves the settings.
    std::optional<platform::ShutdownRequests> closeRequests;
    try {
        closeRequests.emplace([&] {
            QMetaObject::invokeMethod(
                &app,
                [&] {
                    if (frame) {
                        frame->close();
                    } else {
                        QCoreApplication::exit(0);
                    }
                },
                Qt::QueuedConnection);
        });
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
    }
    QTimer::singleShot(0, &app, [&] {
        try {
            frame = createGUI(args, services);
        } catch (const StartupExit& e) {
            QCoreApplication::exit(e.status());
        }
    });
    const int status = QApplication::exec();
    frame.reset();  // a running acquisition ends here, before the application object
    return status;
}
