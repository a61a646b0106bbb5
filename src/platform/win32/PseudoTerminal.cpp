#include "platform/PseudoTerminal.h"

#include <stdexcept>

// Windows has no pseudo-terminals: the simulator says so instead of pretending to run. A pair of
// virtual COM ports would serve, but none comes with the system.
namespace platform {

namespace {
[[noreturn]] void unavailable() {
    throw std::runtime_error("the simulator needs a pseudo-terminal, which Windows does not have");
}
}  // namespace

PseudoTerminal::PseudoTerminal() {
    unavailable();
}
PseudoTerminal::~PseudoTerminal() = default;
void PseudoTerminal::receive(std::string&, int) {
    unavailable();
}
bool PseudoTerminal::send(const char*, std::size_t) {
    unavailable();
}
void PseudoTerminal::linkAs(const std::string&) {
    unavailable();
}
void PseudoTerminal::removeLink(const std::string&) {}

StopSignals::StopSignals() = default;
bool StopSignals::waitFor(int) {
    unavailable();
}

}  // namespace platform
