#pragma once

#include <string>
#include <vector>

#include "Serialio/PortDriverInfo.h"

namespace Serialio {

// Display names of ports ("COM3: USB Serial Port - FTDI") and back, from the driver
// information of the last update().
class FriendlyPortUtil {
  public:
    static constexpr const char* FORMATSTR = "%s: %s - %s";

    // Takes the driver information of the last port listing; none where the platform has
    // none or no port was found.
    static void update();
    static std::vector<std::string> getFriendlyPortList();
    static std::string getFriendlyPortName(const std::string& portName);
    static std::string getUnfriendlyPortName(const std::string& text);
    static bool portInfoListIsPopulated();

    static std::string displayName(const PortDriverInfo& info);
};

}  // namespace Serialio
