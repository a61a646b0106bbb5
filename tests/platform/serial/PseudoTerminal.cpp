#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    slavePath_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    ::close(slave_);
    hangUp();
}

void PseudoTerminal::hangUp() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PseudoTerminal::write(const std::vector<unsigned char>& bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        done += static_cast<size_t>(n);
    }
}

std::vector<unsigned char> PseudoTerminal::read(size_t count, int timeoutMs) const {
    std::vector<unsigned char> got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd entry{master_, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
        unsigned char buffer[4096];
        ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
        if (n > 0) got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

std::vector<unsigned char> allByteValues() {
    std::vector<unsigned char> bytes(256);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i);
    return bytes;
}
