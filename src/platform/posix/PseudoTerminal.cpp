#include "platform/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace platform {

namespace {

std::runtime_error systemError(const char* call) {
    return std::runtime_error(std::string(call) + ": " + std::strerror(errno));
}

sigset_t stopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    if (openpty(&instrument_, &port_, name, nullptr, nullptr) != 0) throw systemError("openpty");
    path_ = name;
    // Keep the port side open and raw so the line stays up while no
    // program has it open, and bytes pass unchanged.
    termios raw{};
    if (tcgetattr(port_, &raw) != 0) throw systemError("tcgetattr");
    cfmakeraw(&raw);
    if (tcsetattr(port_, TCSANOW, &raw) != 0) throw systemError("tcsetattr");
    const int flags = fcntl(instrument_, F_GETFL);
    if (flags < 0 || fcntl(instrument_, F_SETFL, flags | O_NONBLOCK) != 0)
        throw systemError("fcntl");
}

PseudoTerminal::~PseudoTerminal() {
    close(port_);
    close(instrument_);
}

void PseudoTerminal::receive(std::string& into, int milliseconds) {
    pollfd readable{instrument_, POLLIN, 0};
    if (poll(&readable, 1, milliseconds) <= 0) return;
    char buffer[256];
    const ssize_t n = read(instrument_, buffer, sizeof buffer);
    if (n > 0) into.append(buffer, static_cast<size_t>(n));
}

bool PseudoTerminal::send(const char* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = write(instrument_, data + sent, size - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) throw systemError("write");
        pollfd writable{instrument_, POLLOUT, 0};
        if (poll(&writable, 1, 1000) <= 0) return false;
    }
    return true;
}

void PseudoTerminal::linkAs(const std::string& link) {
    unlink(link.c_str());
    if (symlink(path_.c_str(), link.c_str()) != 0) throw systemError("symlink");
}

void PseudoTerminal::removeLink(const std::string& link) {
    unlink(link.c_str());
}

StopSignals::StopSignals() {
    const sigset_t set = stopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool StopSignals::waitFor(int milliseconds) {
    const sigset_t set = stopSet();
    const timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1'000'000L};
    return sigtimedwait(&set, nullptr, &wait) > 0;
}

}  // namespace platform
