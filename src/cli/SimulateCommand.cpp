// valtyp-cli simulate: an instrument on a pseudo-terminal, for trying Valtyp
// without a scale. It prints the port's path and sends the instrument's
// sample records (or the lines of a file) at a steady pace.

#include "cli/CliSettings.h"
#include "cli/Commands.h"
#include "config/Instrument.h"
#include "config/RequestOptions.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>

using namespace ConfigHelper;

namespace {

std::runtime_error systemError(const char* call) {
    return std::runtime_error(std::string(call) + ": " + std::strerror(errno));
}

// The instrument's side of a pseudo-terminal; the other side is the port.
class SimulatedLine {
  public:
    SimulatedLine() {
        char name[256] = {};
        if (openpty(&instrument_, &port_, name, nullptr, nullptr) != 0)
            throw systemError("openpty");
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
    ~SimulatedLine() {
        close(port_);
        close(instrument_);
    }

    const std::string& portPath() const { return path_; }

    // Waits up to the time for what the program sent and appends it.
    void receive(std::string& into, int milliseconds) {
        pollfd readable{instrument_, POLLIN, 0};
        if (poll(&readable, 1, milliseconds) <= 0) return;
        char buffer[256];
        const ssize_t n = read(instrument_, buffer, sizeof buffer);
        if (n > 0) into.append(buffer, static_cast<size_t>(n));
    }

    // False when nobody reads the port and its buffer is full: the record is
    // dropped, as an instrument talking to an unplugged cable would lose it.
    bool send(const QByteArray& record) {
        qsizetype sent = 0;
        while (sent < record.size()) {
            const ssize_t n = write(instrument_, record.constData() + sent, record.size() - sent);
            if (n > 0) {
                sent += n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) throw systemError("write");
            pollfd writable{instrument_, POLLOUT, 0};
            if (poll(&writable, 1, 1000) <= 0) return false;
        }
        return true;
    }

  private:
    int instrument_ = -1;
    int port_ = -1;
    std::string path_;
};

// A record as the instrument ends it: CR LF for line-feed instruments, else
// the terminator, unless the record carries it already.
QByteArray framed(QByteArray record, int terminator) {
    if (terminator == 10) {
        if (!record.endsWith('\n')) record += "\r\n";
    } else if (record.isEmpty() || static_cast<unsigned char>(record.back()) != terminator) {
        record += static_cast<char>(terminator);
    }
    return record;
}

QList<QByteArray> recordsFrom(const std::optional<QString>& file, Instrument instrument) {
    QList<QByteArray> records;
    if (file) {
        QFile f(*file);
        if (!f.open(QIODevice::ReadOnly)) {
            throw std::invalid_argument(
                QStringLiteral("cannot read %1: %2").arg(*file, f.errorString()).toStdString());
        }
        for (QByteArray line : f.readAll().split('\n')) {
            if (line.endsWith('\r')) line.chop(1);
            if (!line.isEmpty()) records << line;
        }
    } else {
        for (const auto& [record, expected] : getTestStrings(instrument)) {
            if (!record.isEmpty()) records << record.toLatin1();
        }
    }
    if (records.isEmpty()) {
        throw std::invalid_argument(
            "no records to send: this instrument has no sample records, give --records FILE");
    }
    return records;
}

int wholeNumber(const std::optional<QString>& text, int fallback, const char* option) {
    if (!text) return fallback;
    bool ok = false;
    const int n = text->toInt(&ok);
    if (!ok || n < 0) throw std::invalid_argument(std::string(option) + " needs a whole number");
    return n;
}

}  // namespace

int runSimulate(const QStringList& args) {
    Instrument instrument{};
    QList<QByteArray> records;
    int interval = 0;
    int count = 0;
    std::optional<QString> link;
    std::optional<std::string> respondTo;  // answer only when asked with these bytes
    try {
        const CliArguments parsed(
            args, {"--instrument", "--interval", "--count", "--records", "--link", "--respond-to"},
            {});
        const Config config = cliConfig(parsed.value("--instrument"), {});
        instrument = *config.getInstrument();
        records = recordsFrom(parsed.value("--records"), instrument);
        for (QByteArray& r : records) r = framed(r, config.getInputTerminator());
        interval = wholeNumber(parsed.value("--interval"), 1000, "--interval");
        count = wholeNumber(parsed.value("--count"), 0, "--count");
        link = parsed.value("--link");
        if (const auto command = parsed.value("--respond-to")) {
            respondTo = DataCommand::decode(*command);
            if (!respondTo || respondTo->empty()) {
                throw std::invalid_argument(
                    "--respond-to needs a command (escapes \\r \\n \\t \\xHH \\\\)");
            }
        }
    } catch (const std::invalid_argument& e) {
        printError(QString::fromLocal8Bit(e.what()));
        return 2;
    }

    // Stop requests are taken between records, by the wait itself.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        SimulatedLine line;
        if (link) {
            const QByteArray linkPath = link->toLocal8Bit();
            unlink(linkPath.constData());
            if (symlink(line.portPath().c_str(), linkPath.constData()) != 0)
                throw systemError("symlink");
        }
        std::printf("%s\n", line.portPath().c_str());
        std::fflush(stdout);

        if (respondTo) {
            // One record per request, as an instrument that waits to be asked.
            std::string received;
            for (int sent = 0; count == 0 || sent < count;) {
                line.receive(received, 100);
                for (size_t at = received.find(*respondTo); at != std::string::npos;
                     at = received.find(*respondTo)) {
                    received.erase(0, at + respondTo->size());
                    line.send(records[sent % records.size()]);
                    if (++sent == count) break;
                }
                // What cannot begin a request any more is dropped.
                if (received.size() >= respondTo->size())
                    received.erase(0, received.size() - respondTo->size() + 1);
                const timespec none{0, 0};
                if (sigtimedwait(&stopSignals, nullptr, &none) > 0) break;
            }
        }
        for (int sent = 0; !respondTo && (count == 0 || sent < count); ++sent) {
            if (!line.send(records[sent % records.size()])) {
                std::fputs("valtyp-cli: nobody reads the port; record dropped\n", stderr);
            }
            const timespec wait{interval / 1000, (interval % 1000) * 1'000'000L};
            if (sigtimedwait(&stopSignals, nullptr, &wait) > 0) break;
        }
        if (link) unlink(link->toLocal8Bit().constData());
    } catch (const std::exception& e) {
        printError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    return 0;
}
