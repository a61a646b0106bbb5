#pragma once

#include <string>
#include <vector>

namespace posixserial {

struct FoundPort {
    std::string path;
    std::string manufacturer;
    std::string description;
};

// The serial devices present: those backed by hardware, without virtual consoles,
// pseudo-terminals and the ttyS entries for which the kernel found no UART.
// On failure the list is empty and errorText() says why.
std::vector<FoundPort> findSerialPorts();

// "16550A serial port" for the kernel's UART type number, empty when unknown.
std::string uartDescription(int type);

}  // namespace posixserial
