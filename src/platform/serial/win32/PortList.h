#pragma once

#include <string>
#include <vector>

namespace win32serial {

struct FoundPort {
    std::string name;  // "COM5"
    std::string manufacturer;
    std::string description;  // as Windows shows it: "USB Serial Port (COM5)"
};

// The COM ports present, in number order: the Ports class of SetupAPI with friendly names and
// makers, then what the SERIALCOMM map and the DOS device names add (ports of drivers that
// register no device, virtual ones among them).
std::vector<FoundPort> findSerialPorts();

// Orders COM2 before COM10; names without a number after those with one.
bool portNameLess(const std::string& a, const std::string& b);

}  // namespace win32serial
