// valtyp-cli identify: listens to an unknown instrument and says which line
// settings, terminator, request and catalogue instrument read it.

#include "Serialio/IOException.h"
#include "cli/CliSettings.h"
#include "cli/Commands.h"
#include "platform/ShutdownRequests.h"
#include "worker/DataLine.h"
#include "worker/InstrumentIdentifier.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

int positive(const std::optional<QString>& text, int fallback, const char* option) {
    if (!text) return fallback;
    bool ok = false;
    const int n = text->toInt(&ok);
    if (!ok || n <= 0)
        throw std::invalid_argument(std::string(option) + " needs a whole number above 0");
    return n;
}

QString terminatorText(std::optional<int> t) {
    if (!t) return QStringLiteral("none");
    return DataLine::transformControlChars(QString(QChar(static_cast<char16_t>(*t))));
}

void print(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
}

void printText(const Identification& id) {
    if (!id.lines) {
        print(QStringLiteral("nothing received"));
        return;
    }
    print(QStringLiteral("line settings: %1 (%2% readable)")
              .arg(id.lines->toString())
              .arg(qRound(id.readability * 100)));
    print(QStringLiteral("terminator: ") + terminatorText(id.terminator));
    print(QStringLiteral("request: ") + (id.request.isEmpty()
                                             ? QStringLiteral("none (it sends unasked)")
                                             : DataLine::transformControlChars(id.request)));
    print(QStringLiteral("records: %1").arg(id.records.size()));
    for (const QString& r : id.records)
        print(QStringLiteral("  ") + DataLine::transformControlChars(r));
    print(QStringLiteral("instruments, best first:"));
    for (const RankedInstrument& r : id.instruments) {
        if (r.values == 0) continue;
        print(QStringLiteral("  %1  %2 of %3 records, types \"%4\"")
                  .arg(r.name, -24)
                  .arg(r.values)
                  .arg(id.records.size())
                  .arg(r.value));
    }
}

void printJson(const Identification& id) {
    QJsonArray instruments;
    for (const RankedInstrument& r : id.instruments) {
        instruments.append(QJsonObject{
            {"name", r.name}, {"value", r.value}, {"values", r.values}, {"score", r.score}});
    }
    QJsonArray records;
    for (const QString& r : id.records) records.append(r);
    const QJsonObject o{
        {"lineSettings", id.lines ? QJsonValue(id.lines->toString()) : QJsonValue()},
        {"readability", id.readability},
        {"terminator", id.terminator ? QJsonValue(*id.terminator) : QJsonValue()},
        {"request", id.request.isEmpty() ? QJsonValue() : QJsonValue(id.request)},
        {"records", records},
        {"instruments", instruments}};
    print(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
}

}  // namespace

int runIdentify(const QStringList& args) {
    QString port;
    InstrumentIdentifier::Timings timings;
    bool json = false;
    try {
        const CliArguments parsed(args, {"--port", "--seconds", "--listen"}, {"--json"});
        const auto p = parsed.value("--port");
        if (!p) throw std::invalid_argument("identify needs --port");
        port = *p;
        timings.budget = std::chrono::seconds(positive(parsed.value("--seconds"), 60, "--seconds"));
        // Shorter listening for quick instruments and for tests; the silence
        // before asking and the wait for an answer follow it.
        timings.listen =
            std::chrono::milliseconds(positive(parsed.value("--listen"), 1500, "--listen"));
        timings.quiet = 2 * timings.listen;
        timings.answer = std::max(timings.listen / 2, std::chrono::milliseconds(300));
        json = parsed.flag("--json");
    } catch (const std::invalid_argument& e) {
        printError(QString::fromLocal8Bit(e.what()));
        return 2;
    }

    // A stop signal ends the listening at its next wait, so the port is
    // closed with its lines dropped.
    std::stop_source stop;
    int status = 0;
    try {
        const platform::ShutdownRequests stopRequests([&stop] { stop.request_stop(); });
        const InstrumentIdentifier identifier(port, timings);
        const Identification id = identifier.run(stop.get_token(), [](const IdentifyEvent& e) {
            if (e.kind == IdentifyEvent::Kind::Trying)
                std::fprintf(stderr, "trying %s\n", e.text.toLocal8Bit().constData());
            else if (e.kind == IdentifyEvent::Kind::Request)
                std::fprintf(stderr, "asking %s\n",
                             DataLine::transformControlChars(e.text).toLocal8Bit().constData());
        });
        if (json) {
            printJson(id);
        } else {
            printText(id);
        }
        status = id.lines ? 0 : 1;
    } catch (const Interrupted&) {
        printError(QStringLiteral("stopped"));
        status = 1;
    } catch (const std::exception& e) {
        printError(QString::fromLocal8Bit(e.what()));
        status = 1;
    }
    return status;
}
