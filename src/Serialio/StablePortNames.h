#pragma once

#include <optional>
#include <string>

namespace Serialio {

// Stable names of serial devices: the links udev makes in /dev/serial/by-id, named after the
// adapter (maker, model, serial number), so they survive replugging and reboots, whereas the
// kernel numbers devices (/dev/ttyUSB0, /dev/ttyUSB1) in the order they appear. This is the
// one place that maps between the two.
class StablePortNames {
  public:
    static constexpr const char* kDefaultFolder = "/dev/serial/by-id";
    // The system property that names another folder of links (a test stands one in).
    static constexpr const char* FOLDER_PROPERTY = "serial.stableLinkFolder";

    static std::string folder();

    // The stable link leading to the device the kernel name names, or none. Of several
    // links to one device the first by name is taken, so the answer does not change.
    static std::optional<std::string> linkFor(const std::string& kernelName);

    // The device a port name leads to now ("/dev/ttyUSB1" for a link); the name itself when
    // it is no link.
    static std::string kernelNameOf(const std::string& portName);

    // Whether the name is a link in the folder of stable links.
    static bool isStableLink(const std::string& portName);
};

}  // namespace Serialio
