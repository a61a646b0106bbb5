#pragma once
// The Linux side of a test under Wine, held by tests/win32/pty_helper.py and reached over a
// local socket whose port number VALTYP_PTY_HELPER names: a COM port's pseudo-terminal, or an
// HTTPS server. The helper serves one connection at a time.

#include <winsock2.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace win32test {

class HelperConnection {
  public:
    HelperConnection() {
        const char* port = std::getenv("VALTYP_PTY_HELPER");
        if (!port) throw std::runtime_error("VALTYP_PTY_HELPER is not set");
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (socket_ == INVALID_SOCKET ||
            connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot reach the pseudo-terminal helper on port " +
                                     std::string(port));
    }
    ~HelperConnection() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        WSACleanup();
    }
    HelperConnection(const HelperConnection&) = delete;
    HelperConnection& operator=(const HelperConnection&) = delete;

    // Sends one command; the answer after "ok ", or an exception with the helper's error.
    std::string ask(const std::string& command) {
        std::string line = command + "\n";
        if (send(socket_, line.data(), static_cast<int>(line.size()), 0) !=
            static_cast<int>(line.size()))
            throw std::runtime_error("send to the helper failed");
        std::string answer;
        char c = 0;
        while (recv(socket_, &c, 1, 0) == 1 && c != '\n') answer += c;
        if (answer.rfind("ok", 0) != 0) throw std::runtime_error(command + ": " + answer);
        return answer.size() > 3 ? answer.substr(3) : std::string();
    }

  private:
    SOCKET socket_ = INVALID_SOCKET;
};

class PtyLine {
  public:
    // Opens a new pseudo-terminal mapped as the COM port name (e.g. "com7").
    explicit PtyLine(const std::string& comName) : slave_(helper_.ask("open " + comName)) {}

    const std::string& slavePath() const { return slave_; }
    void write(const std::string& bytes) { ask("write " + hex(bytes)); }
    // What the Windows side sent, up to count bytes within the time.
    std::string read(size_t count, int milliseconds) {
        return unhex(ask("read " + std::to_string(count) + " " + std::to_string(milliseconds)));
    }
    // The settings the line really has: "9600 7E1".
    std::string settings() { return ask("termios"); }
    void hangUp() { ask("hangup"); }

  private:
    std::string ask(const std::string& command) { return helper_.ask(command); }
    static std::string hex(const std::string& bytes) {
        static constexpr char digits[] = "0123456789abcdef";
        std::string text;
        for (unsigned char c : bytes) {
            text += digits[c >> 4];
            text += digits[c & 15];
        }
        return text;
    }
    static std::string unhex(const std::string& text) {
        std::string bytes;
        for (size_t i = 0; i + 1 < text.size(); i += 2)
            bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
        return bytes;
    }

    HelperConnection helper_;
    std::string slave_;
};

}  // namespace win32test
