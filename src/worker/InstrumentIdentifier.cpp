#include "worker/InstrumentIdentifier.h"

#include "Serialio/IOException.h"
#include "Serialio/SerialConfig.h"
#include "Serialio/SerialPortLocal.h"
#include "config/Config.h"
#include "config/LineOptions.h"
#include "worker/RecordProcessor.h"

#include "platform/StopPause.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

using namespace ConfigHelper;
using Serialio::SerialConfig;
using Serialio::SerialPortLocal;

// ---- line settings ----

LineSetting LineSetting::of(const Config& config) {
    return {config.getBitRate(), config.getDataBits(), config.getParity(), config.getStopBits()};
}

void LineSetting::applyTo(Config& config) const {
    config.setBitRate(bitRate);
    config.setDataBits(dataBits);
    config.setParity(parity);
    config.setStopBits(stopBits);
}

QString LineSetting::toString() const {
    static constexpr std::array<char, 5> parities{'N', 'O', 'E', 'M', 'S'};
    return Options<BitRates>::getReadable(bitRate) + u' ' + QString::number(dataBits + 5) +
           QChar::fromLatin1(parities[static_cast<size_t>(std::clamp(parity, 0, 4))]) +
           QString::number(stopBits + 1);
}

std::vector<LineSetting> commonLineSettings() {
    std::vector<LineSetting> settings;
    const auto add = [&](LineSetting s) {
        if (std::find(settings.begin(), settings.end(), s) == settings.end()) settings.push_back(s);
    };
    for (int rate : {SerialConfig::BR_9600, SerialConfig::BR_4800, SerialConfig::BR_2400,
                     SerialConfig::BR_1200, SerialConfig::BR_19200, SerialConfig::BR_38400}) {
        add({rate, SerialConfig::LN_8BITS, SerialConfig::PY_NONE, SerialConfig::ST_1BITS});
        add({rate, SerialConfig::LN_7BITS, SerialConfig::PY_EVEN, SerialConfig::ST_1BITS});
    }
    // The rarer frames only where an instrument of the catalogue uses them.
    for (const auto& row : OptionTraits<Instrument>::rows)
        add(LineSetting::of(getDefaultConfig(row.value)));
    return settings;
}

std::vector<std::string> requestCommands() {
    std::vector<std::string> commands;
    const auto add = [&](std::string c) {
        if (!c.empty() && std::find(commands.begin(), commands.end(), c) == commands.end())
            commands.push_back(std::move(c));
    };
    for (const auto& row : OptionTraits<Instrument>::rows) add(row.dataCommand);
    for (const char* c : {"SI\r\n", "P\r\n", "1\r", "\x1bP"}) add(c);
    return commands;
}

// ---- what the bytes say ----

bool Capture::isUsual(char16_t byte) {
    return (byte >= 32 && byte <= 126) || byte == '\t' || byte == '\r' || byte == '\n' ||
           byte == 2 || byte == 3;
}

double Capture::readability() const {
    if (bytes.isEmpty()) return 0;
    return 1.0 - static_cast<double>(bad) / static_cast<double>(bytes.size());
}

std::optional<int> findTerminator(QStringView bytes) {
    int cr = 0, lf = 0, crlf = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == u'\r') {
            ++cr;
            if (i + 1 < bytes.size() && bytes[i + 1] == u'\n') ++crlf;
        } else if (bytes[i] == u'\n') {
            ++lf;
        }
    }
    // CR LF lines are framed at the LF, as the catalogue's instruments are.
    if (crlf > 0 && crlf * 2 >= cr) return 10;
    // Otherwise the end that closes the most records of about the same length.
    std::optional<int> best;
    double bestScore = 0;
    for (int t : {13, 10, 3, 4}) {
        std::vector<qsizetype> lengths;
        qsizetype from = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (bytes[i].unicode() != t) continue;
            if (i + 1 - from > 1) lengths.push_back(i + 1 - from);
            from = i + 1;
        }
        if (lengths.size() < 2) continue;
        double mean = 0;
        for (auto l : lengths) mean += static_cast<double>(l);
        mean /= static_cast<double>(lengths.size());
        double spread = 0;
        for (auto l : lengths) spread += std::abs(static_cast<double>(l) - mean);
        spread /= static_cast<double>(lengths.size()) * mean;
        const double score = static_cast<double>(lengths.size()) / (1.0 + spread);
        if (score > bestScore) {
            bestScore = score;
            best = t;
        }
    }
    return best;
}

QStringList splitRecords(QStringView bytes, int terminator) {
    QStringList records;
    qsizetype from = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i].unicode() != terminator) continue;
        const QStringView record = bytes.mid(from, i + 1 - from);
        from = i + 1;
        if (std::any_of(record.begin(), record.end(), [](QChar c) { return c.unicode() > 32; }))
            records << record.toString();
    }
    return records;
}

namespace {

// A reading rather than a stray number: a decimal part or three digits. A
// text instrument types whole records, so its value counts fully only when
// it looks like a code (letters, no decimal number, no gaps of blanks), and
// half when it looks like a printout.
double weight(const QString& value, bool text) {
    if (text) {
        static const QRegularExpression printout(QStringLiteral(R"(\d[.,]\d|\s\s)"));
        const bool letters =
            std::any_of(value.begin(), value.end(), [](QChar c) { return c.isLetter(); });
        return letters && value.size() >= 3 && !value.trimmed().contains(printout) ? 1.25 : 0.5;
    }
    if (value.contains(u'.') || value.contains(u',')) return 1.5;
    return std::count_if(value.begin(), value.end(), [](QChar c) { return c.isDigit(); }) >= 3
               ? 1.5
               : 1.0;
}

// A record's layout: every digit a 9, blanks run together, line ends gone.
QString shape(QStringView record) {
    QString out;
    for (QChar c : record) {
        if (c == u'\r' || c == u'\n') continue;
        if (c.isDigit()) {
            out += u'9';
        } else if (c.isSpace()) {
            if (!out.endsWith(u' ')) out += u' ';
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

// The layouts of the instrument's sample records, as its maker documents them.
QStringList sampleShapes(Instrument i) {
    QStringList shapes;
    for (const auto& [record, expected] : getTestStrings(i))
        if (!record.isEmpty()) shapes << shape(record);
    return shapes;
}

std::optional<double> number(QString value) {
    value.replace(u',', u'.');
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? std::optional(v) : std::nullopt;
}

bool particular(Instrument i) {
    return getPattern(i) != QLatin1StringView(patterns::number);
}

}  // namespace

std::vector<RankedInstrument> rankInstruments(const QStringList& records,
                                              std::optional<int> terminator,
                                              std::optional<LineSetting> lines) {
    struct Scored {
        RankedInstrument ranked;
        bool terminatorFits;
        bool linesFit;
        bool particular;
        int order;
    };
    std::vector<Scored> all;
    int order = 0;
    for (const auto& row : OptionTraits<Instrument>::rows) {
        const Instrument i = row.value;
        Config config = getDefaultConfig(i);
        config.setInstrument(i);
        RecordProcessor processor(config);
        RankedInstrument r;
        r.instrument = i;
        r.name = QString::fromLatin1(row.name);
        std::vector<double> numbers;
        const QStringList shapes = sampleShapes(i);
        for (const QString& record : records) {
            // A record laid out like one of the catalogue's samples for it.
            if (!shapes.isEmpty() && shapes.contains(shape(record))) r.score += 1;
            QString typed;
            try {
                typed = processor.read(record).output;
            } catch (const std::exception&) {
                r.score -= 1;
            }
            r.typed << typed;
            if (typed.isEmpty()) continue;
            ++r.values;
            r.score += weight(typed, isTextInstrument(i));
            if (auto v = number(typed)) numbers.push_back(std::abs(*v));
        }
        // A still pan gives numbers of one size: one far off the middle is a
        // number the instrument did not mean as its reading.
        if (numbers.size() >= 3) {
            std::vector<double> sorted = numbers;
            std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2),
                             sorted.end());
            const double middle = sorted[sorted.size() / 2];
            for (double v : numbers)
                if (v > 100 * (middle + 1)) r.score -= 2;
        }
        if (!r.typed.isEmpty()) r.value = r.typed.back();
        const LineSetting factory = LineSetting::of(config);
        all.push_back({std::move(r), terminator && *terminator == config.getInputTerminator(),
                       lines && *lines == factory, particular(i), order++});
    }
    std::stable_sort(all.begin(), all.end(), [](const Scored& a, const Scored& b) {
        if (a.ranked.score != b.ranked.score) return a.ranked.score > b.ranked.score;
        if (a.terminatorFits != b.terminatorFits) return a.terminatorFits;
        if (a.linesFit != b.linesFit) return a.linesFit;
        if (a.particular != b.particular) return a.particular;
        return a.order < b.order;
    });
    std::vector<RankedInstrument> ranked;
    ranked.reserve(all.size());
    for (Scored& s : all) ranked.push_back(std::move(s.ranked));
    return ranked;
}

// ---- the line ----

namespace {

// One line setting on the port: open with DTR on as the acquisition sets it,
// and closed with both output lines dropped however the listening ends.
class OpenLine {
  public:
    OpenLine(const QString& port, const LineSetting& s) {
        const std::string name = port.toStdString();
        SerialPortLocal::addPortName(name);
        SerialConfig settings(name);
        settings.setBitRate(s.bitRate);
        settings.setDataBits(s.dataBits);
        settings.setParity(s.parity);
        settings.setStopBits(s.stopBits);
        sp_ = std::make_unique<SerialPortLocal>(settings);
        try {
            sp_->rxFlush();
            sp_->setRTS(false);
            sp_->setDTR(true);
        } catch (...) {
            release();
            throw;
        }
    }
    ~OpenLine() { release(); }
    OpenLine(const OpenLine&) = delete;
    OpenLine& operator=(const OpenLine&) = delete;

    SerialPortLocal& port() { return *sp_; }

  private:
    void release() noexcept {
        if (!sp_) return;
        // Each step on its own: a failing one must not keep the port open.
        try {
            sp_->setDTR(false);
        } catch (...) {
        }
        try {
            sp_->setRTS(false);
        } catch (...) {
        }
        try {
            sp_->close();
        } catch (...) {
        }
        sp_.reset();
    }
    std::unique_ptr<SerialPortLocal> sp_;
};

// Takes what comes for the duration; throws Interrupted when stopped.
void listen(SerialPortLocal& sp, platform::StopPause& pause, std::chrono::milliseconds duration,
            Capture& capture, const InstrumentIdentifier::Progress& progress,
            const std::stop_token& stop) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + duration;
    for (;;) {
        if (stop.stop_requested()) throw Interrupted();
        QString chunk;
        for (int byte = sp.getByte(); byte != -1; byte = sp.getByte()) {
            const bool lineError = sp.sigParityErr() | sp.sigFrameErr();
            if (lineError || !Capture::isUsual(static_cast<char16_t>(byte))) ++capture.bad;
            chunk += QChar(static_cast<char16_t>(byte));
        }
        if (!chunk.isEmpty()) {
            capture.bytes += chunk;
            if (progress) progress({IdentifyEvent::Kind::Bytes, chunk});
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return;
        sp.waitReadable(pause.wakeHandle(), static_cast<int>(left.count()));
        if (stop.stop_requested()) throw Interrupted();
        pause.clearWakeUps();
    }
}

// Enough to judge: a few bytes and all but a stray one clean.
bool readsCleanly(const Capture& c) {
    return c.bytes.size() >= 8 && c.readability() >= 0.98;
}

}  // namespace

InstrumentIdentifier::InstrumentIdentifier(QString port, Timings timings,
                                           std::optional<LineSetting> first)
    : port_(std::move(port)), timings_(timings) {
    if (first) settings_.push_back(*first);
    for (const LineSetting& s : commonLineSettings())
        if (!first || s != *first) settings_.push_back(s);
}

Identification InstrumentIdentifier::run(std::stop_token stop, const Progress& progress) const {
    using Clock = std::chrono::steady_clock;
    const auto giveUp = Clock::now() + timings_.budget;
    platform::StopPause pause(stop);
    Identification result;
    Capture best;
    bool heard = false;
    std::optional<std::string> answered;
    const std::vector<std::string> commands = requestCommands();

    for (const LineSetting& setting : settings_) {
        if (stop.stop_requested()) throw Interrupted();
        if (progress) progress({IdentifyEvent::Kind::Trying, setting.toString()});
        Capture capture;
        {
            OpenLine line(port_, setting);
            SerialPortLocal& sp = line.port();
            listen(sp, pause, timings_.listen, capture, progress, stop);
            // An instrument that has not spoken yet gets the time to, once.
            if (!heard && capture.bytes.isEmpty() && timings_.quiet > timings_.listen)
                listen(sp, pause, timings_.quiet - timings_.listen, capture, progress, stop);
            const auto ask = [&](const std::string& command) {
                if (progress)
                    progress({IdentifyEvent::Kind::Request, QString::fromLatin1(command)});
                sp.putString(command);
                listen(sp, pause, timings_.answer, capture, progress, stop);
            };
            if (capture.bytes.isEmpty() && !answered) {
                // Silent: it may wait to be asked. One command at a time.
                for (const std::string& command : commands) {
                    ask(command);
                    if (!capture.bytes.isEmpty()) {
                        answered = command;
                        break;
                    }
                }
            }
            if (answered) {
                // A few more answers, for records enough to judge.
                for (int n = 1; n < kRequestsPerSetting; ++n) ask(*answered);
            }
        }
        heard = heard || !capture.bytes.isEmpty();
        if (capture.readability() > best.readability() ||
            (!capture.bytes.isEmpty() && !result.lines)) {
            best = capture;
            result.lines = setting;
            result.readability = capture.readability();
        }
        if (readsCleanly(capture) || Clock::now() >= giveUp) break;
    }
    if (answered) result.request = QString::fromLatin1(*answered);
    if (!result.lines) return result;
    result.bytes = best.bytes;
    result.terminator = findTerminator(best.bytes);
    if (result.terminator) result.records = splitRecords(best.bytes, *result.terminator);
    result.instruments = rankInstruments(result.records, result.terminator, result.lines);
    return result;
}

IdentifyWorker::IdentifyWorker(InstrumentIdentifier identifier, Callbacks callbacks)
    : identifier_(std::move(identifier)),
      callbacks_(std::move(callbacks)),
      task_(Task::Callbacks{[this](std::stop_token stop, const Task::Publish& publish) {
                                return identifier_.run(std::move(stop), publish);
                            },
                            [this](std::vector<IdentifyEvent>& events) {
                                if (!callbacks_.progress) return;
                                for (const IdentifyEvent& e : events) callbacks_.progress(e);
                            },
                            [this](const Task::Completion& completion) {
                                if (!callbacks_.done) return;
                                if (completion.kind == Task::Completion::Kind::Normal &&
                                    completion.result) {
                                    callbacks_.done(completion.result, {});
                                } else {
                                    callbacks_.done(std::nullopt, completion.error);
                                }
                            }}) {}
