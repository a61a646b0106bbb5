// valtyp-cli ports: the serial ports of this machine, each with its display name.
#include <cstdio>
#include <iostream>
#include <string>

#include "Serialio/Diagnostics.h"
#include "Serialio/FriendlyPortUtil.h"
#include "Serialio/IOException.h"
#include "Serialio/SerialPortLocal.h"
#include "Serialio/StablePortNames.h"
#include "cli/Commands.h"

using Serialio::SerialPortLocal;

int runPorts(const QStringList& args) {
    bool verbose = false;
    for (const QString& arg : args) {
        if (arg != QLatin1StringView("--verbose")) {
            std::fprintf(stderr, "valtyp-cli ports: unknown option %s\n", qPrintable(arg));
            return 2;
        }
        verbose = true;
    }
    // The library's banners and load messages are for --verbose; the list is the output.
    Serialio::setDiagnosticStream(verbose ? &std::cerr : nullptr);
    if (!SerialPortLocal::isLibraryLoaded()) {
        std::fprintf(stderr, "valtyp-cli ports: the serial driver library %s could not be loaded\n",
                     SerialPortLocal::getNativeLibName().c_str());
        return 2;
    }
    try {
        std::vector<std::string> names = SerialPortLocal::getPortList();
        Serialio::FriendlyPortUtil::update();
        if (names.empty()) std::puts("No serial ports found.");
        for (const std::string& name : names) {
            std::string shown = Serialio::FriendlyPortUtil::getFriendlyPortName(name);
            // The display shows the kernel's name; a stable link is what --port takes.
            if (shown != name && Serialio::StablePortNames::isStableLink(name))
                shown += "  [" + name + "]";
            std::puts(shown.c_str());
        }
    } catch (const Serialio::IOException& e) {
        std::fprintf(stderr, "valtyp-cli ports: %s\n", e.what());
        return 1;
    }
    return 0;
}
