#include "valtyp/VideriRaZiv.h"

#include "Serialio/SystemProperties.h"
#include "valtyp/StartupExit.h"
#include "valtyp/VideriRaZivFrame2.h"

#include <sys/utsname.h>

#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace {

// The serial library picks its native driver by these two names.
std::pair<std::string, std::string> platformNames() {
    utsname system{};
    if (uname(&system) != 0) {
        std::cerr << "uname: " << std::strerror(errno) << std::endl;
        return {"Linux", ""};
    }
    return {"Linux", system.machine};
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
