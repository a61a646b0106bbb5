#pragma once
// A pseudo-terminal pair standing in for an instrument on a serial line: the
// worker opens the port side by its path, the test writes as the instrument.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <string>

class PseudoTerminal {
  public:
    PseudoTerminal() {
        int port = -1;
        char name[256] = {};
        if (openpty(&instrument_, &port, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        path_ = QString::fromLocal8Bit(name);
        // Keep the port side raw and open so the line stays up between opens.
        termios raw{};
        tcgetattr(port, &raw);
        cfmakeraw(&raw);
        tcsetattr(port, TCSANOW, &raw);
        keepOpen_ = port;
    }
    ~PseudoTerminal() {
        close(keepOpen_);
        hangUp();
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const QString& portPath() const { return path_; }

    void send(const QByteArray& bytes) const {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = write(instrument_, bytes.constData() + sent, bytes.size() - sent);
            if (n < 0) throw std::runtime_error("write to pseudo-terminal failed");
            sent += n;
        }
    }

    // What the program sent to the instrument so far, waiting up to the time for a first byte.
    QByteArray receive(int timeoutMs = 0) const {
        QByteArray got;
        pollfd readable{instrument_, POLLIN, 0};
        while (poll(&readable, 1, got.isEmpty() ? timeoutMs : 0) > 0 &&
               (readable.revents & POLLIN) != 0) {
            char buffer[256];
            const ssize_t n = read(instrument_, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, n);
        }
        return got;
    }

    // The instrument goes away, as when its cable is pulled.
    void hangUp() {
        if (instrument_ >= 0) close(instrument_);
        instrument_ = -1;
    }

  private:
    int instrument_ = -1;
    int keepOpen_ = -1;
    QString path_;
};
