// valtyp-cli simulate: an instrument on a pseudo-terminal, for trying Valtyp
// without a scale. It prints the port's path and sends the instrument's
// sample records (or the lines of a file) at a steady pace.

#include "cli/CliSettings.h"
#include "cli/Commands.h"
#include "config/Instrument.h"
#include "config/RequestOptions.h"
#include "platform/PseudoTerminal.h"

#include <QFile>

#include <cstdio>
#include <optional>
#include <stdexcept>

using namespace ConfigHelper;

namespace {

bool send(platform::PseudoTerminal& line, const QByteArray& record) {
    return line.send(record.constData(), static_cast<std::size_t>(record.size()));
}

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
    platform::StopSignals stopSignals;

    try {
        // The instrument's side of a pseudo-terminal; the other side is the port.
        platform::PseudoTerminal line;
        if (link) line.linkAs(link->toLocal8Bit().toStdString());
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
                    send(line, records[sent % records.size()]);
                    if (++sent == count) break;
                }
                // What cannot begin a request any more is dropped.
                if (received.size() >= respondTo->size())
                    received.erase(0, received.size() - respondTo->size() + 1);
                if (stopSignals.waitFor(0)) break;
            }
        }
        for (int sent = 0; !respondTo && (count == 0 || sent < count); ++sent) {
            if (!send(line, records[sent % records.size()])) {
                std::fputs("valtyp-cli: nobody reads the port; record dropped\n", stderr);
            }
            if (stopSignals.waitFor(interval)) break;
        }
        if (link) platform::PseudoTerminal::removeLink(link->toLocal8Bit().toStdString());
    } catch (const std::exception& e) {
        printError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    return 0;
}
