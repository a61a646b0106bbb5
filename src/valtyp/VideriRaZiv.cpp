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

}  // namespace

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
    QLocale::setDefault(QLocale(QLocale::English));
    setDefaultProperties();
    QApplication app(argc, argv);  // Qt's style follows the desktop's own look
    const QStringList args = QApplication::arguments().mid(1);
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
