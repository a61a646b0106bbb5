// Identifying an unknown instrument over the simulated driver, which reads
// bytes sent with other line settings as a real UART would: wrong bytes,
// parity and framing errors.

#include "QtApp.h"
#include "SimulatedDriver.h"

#include "Serialio/SerialConfig.h"
#include "Serialio/SerialPortLocal.h"
#include "config/Config.h"
#include "platform/serial/sim/SimControl.h"
#include "worker/InstrumentIdentifier.h"
#include "worker/RecordProcessor.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

using namespace ConfigHelper;
using namespace std::chrono_literals;

namespace {

constexpr const char* kPort = "SIM9";

// The instrument's end of the line: sends its records over and over, or,
// when `asked` is set, one record per request that contains it.
class FarEnd {
  public:
    FarEnd(QList<QByteArray> records, std::string asked = {})
        : records_(std::move(records)),
          asked_(std::move(asked)),
          thread_([this](std::stop_token s) { run(s); }) {}
    std::string sent() {
        std::lock_guard lock(mutex_);
        return sent_;
    }

  private:
    void run(std::stop_token stop) {
        for (size_t n = 0; !stop.stop_requested(); std::this_thread::sleep_for(20ms)) {
            if (!asked_.empty()) {
                unsigned char buffer[256];
                const int got = SimTakeSent(kPort, buffer, sizeof buffer);
                std::lock_guard lock(mutex_);
                sent_.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(got));
                const auto at = sent_.find(asked_, answeredUpTo_);
                if (at == std::string::npos) continue;
                answeredUpTo_ = at + asked_.size();
            }
            const QByteArray& r = records_[static_cast<qsizetype>(n++ % records_.size())];
            SimFeed(kPort, reinterpret_cast<const unsigned char*>(r.constData()),
                    static_cast<int>(r.size()), 0);
        }
    }
    QList<QByteArray> records_;
    std::string asked_;
    std::mutex mutex_;
    std::string sent_;
    size_t answeredUpTo_ = 0;
    std::jthread thread_;  // last
};

class InstrumentIdentifierTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qtApp();
        sim_.emplace();
        SimAddPort(kPort, "Valtyp", "simulated instrument");
    }
    static InstrumentIdentifier::Timings quick() {
        InstrumentIdentifier::Timings t;
        t.listen = 300ms;
        t.quiet = 400ms;
        t.answer = 150ms;
        t.budget = 30s;
        return t;
    }
    void expectLineReleased() {
        EXPECT_EQ(SimIsOpen(kPort), 0);
        EXPECT_EQ(SimOutputLines(kPort), 0) << "DTR or RTS left on";
    }
    std::optional<SimulatedDriver> sim_;
};

// The sample records, each ended with CR LF.
QList<QByteArray> samples(Instrument i) {
    QList<QByteArray> records;
    for (const auto& [record, expected] : getTestStrings(i))
        records << record.toLatin1().trimmed() + "\r\n";
    return records;
}

QStringList typedBy(Instrument i, const QStringList& records) {
    Config c = getDefaultConfig(i);
    c.setInstrument(i);
    RecordProcessor p(c);
    QStringList typed;
    for (const QString& r : records) typed << p.read(r).output;
    return typed;
}

}  // namespace

// The receiver's view of one character sent under other settings, worked out
// by hand from the bit pattern ('C' = 1100001 LSB first, 3 ones).
TEST_F(InstrumentIdentifierTest, TheSimulatedLineReadsForeignFramesAsAUartDoes) {
    struct Case {
        int rate, bits, parity, stops;  // the far end's
        int portRate, portBits, portParity;
        int byte;
        unsigned errors;
    };
    const Case cases[] = {
        // 7E1 read as 8N1: the parity bit (1) becomes bit 7.
        {2400, 7, 2, 1, 5, 3, 0, 0xC3, 0},
        // 7E1 read as 7O1: the parity bit is wrong.
        {2400, 7, 2, 1, 5, 2, 1, 0x43, SIM_ERROR_PARITY},
        // 8N1 read as 7N1: bit 7 (0) falls where the stop bit should be.
        {9600, 8, 0, 1, 7, 2, 0, 0x43, SIM_ERROR_FRAME},
        // Same settings: unchanged.
        {9600, 8, 0, 1, 7, 3, 0, 0x43, 0},
        // 19200 read at 9600: the start bit is too short to count, the next
        // low run is taken for one, and the idle line fills the rest.
        {19200, 8, 0, 1, 7, 3, 0, 0xFC, 0},
    };
    for (const Case& c : cases) {
        SimSetFarEnd(kPort, c.rate, c.bits, c.parity, c.stops);
        LineSetting s{c.portRate, c.portBits, c.portParity, 0};
        Serialio::SerialConfig config(kPort);
        config.setBitRate(s.bitRate);
        config.setDataBits(s.dataBits);
        config.setParity(s.parity);
        Serialio::SerialPortLocal sp(config);
        const unsigned char sent = 'C';
        SimFeed(kPort, &sent, 1, 0);
        EXPECT_EQ(sp.getByte(), c.byte)
            << c.rate << " " << c.bits << " to " << s.toString().toStdString();
        EXPECT_EQ(sp.sigParityErr(), (c.errors & SIM_ERROR_PARITY) != 0);
        EXPECT_EQ(sp.sigFrameErr(), (c.errors & SIM_ERROR_FRAME) != 0);
        sp.close();
    }
}

// An instrument whose line settings differ from the port's: the engine tries
// settings until its bytes read cleanly, then frames and names it.
TEST_F(InstrumentIdentifierTest, FindsTheLineSettingsTerminatorAndInstrumentAgain) {
    struct Case {
        Instrument instrument;
        int rate, bits, parity;  // what the instrument sends with
        LineSetting expected;
        QList<QByteArray> records;
    };
    const Case cases[] = {
        {Instrument::AND, 2400, 7, 2, {5, 2, 2, 0}, samples(Instrument::AND)},
        {Instrument::KEYENCE_IL, 9600, 8, 0, {7, 3, 0, 0}, samples(Instrument::KEYENCE_IL)},
        {Instrument::KERN_RPB, 19200, 8, 0, {8, 3, 0, 0}, samples(Instrument::KERN_RPB)},
        {Instrument::SARTORIUS,
         1200,
         7,
         1,
         {4, 2, 1, 0},
         {"+    12.34 g  \r\n", "+    12.35 g  \r\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Options<Instrument>::name(c.instrument).toStdString());
        SimSetFarEnd(kPort, c.rate, c.bits, c.parity, 1);
        Identification id;
        {
            FarEnd far(c.records);
            id = InstrumentIdentifier(kPort, quick()).run({}, {});
        }
        expectLineReleased();
        ASSERT_TRUE(id.lines);
        EXPECT_EQ(id.lines->toString(), c.expected.toString());
        EXPECT_EQ(id.terminator, std::optional(10));
        EXPECT_TRUE(id.request.isEmpty());
        ASSERT_GE(id.records.size(), 3);
        ASSERT_FALSE(id.instruments.empty());
        EXPECT_EQ(typedBy(id.instruments.front().instrument, id.records),
                  typedBy(c.instrument, id.records))
            << "top: " << id.instruments.front().name.toStdString();
    }
}

// A silent instrument is asked with one command at a time; the one it
// answers is named, and nothing else is sent after it.
TEST_F(InstrumentIdentifierTest, AsksASilentInstrumentOneCommandAtATime) {
    FarEnd far({"S S     12.34 g\r\n"}, "P\r\n");
    const Identification id = InstrumentIdentifier(kPort, quick()).run({}, {});
    expectLineReleased();
    EXPECT_EQ(id.request, "P\r\n");
    ASSERT_TRUE(id.lines);
    EXPECT_EQ(id.lines->toString(), "9600 8N1");
    // The commands before it once each, in order, then only it again.
    const std::string sent = far.sent();
    const std::string before = "1\rSI\r\n";
    ASSERT_EQ(sent.substr(0, before.size()), before);
    std::string rest = sent.substr(before.size());
    while (rest.starts_with("P\r\n")) rest.erase(0, 3);
    EXPECT_EQ(rest, "");
    ASSERT_FALSE(id.instruments.empty());
    EXPECT_EQ(id.instruments.front().value, "12.34");
}

TEST_F(InstrumentIdentifierTest, FramesAtTheEndThatRecurs) {
    struct Case {
        const char* bytes;
        std::optional<int> terminator;
    };
    const Case cases[] = {
        {"12.3 g\r\n12.4 g\r\n12.5", 10},
        {"\n12.3 g\r\n12.4 g\r", 10},
        {"01A+1.2\r01A+1.3\r", 13},
        {"\x02 12.3\x03\x02 12.4\x03", 3},
        {"G/W:+ 60.24   kg\n\n\n\nG/W:+ 60.24   kg\n\n\n\n", 10},
        {"12.3 g 12.4 g", std::nullopt},
    };
    for (const Case& c : cases) {
        const QString bytes = QString::fromLatin1(c.bytes);
        EXPECT_EQ(findTerminator(bytes), c.terminator) << c.bytes;
    }
    // Blank records carry nothing; the unfinished tail waits.
    EXPECT_EQ(splitRecords(u"a\n\n\r\nb\nc", 10), QStringList({"a\n", "b\n"}));
}

// Cancel while listening: the worker ends at once and the port is closed with
// its lines dropped. The figure is logged, not asserted beyond "it ended".
TEST_F(InstrumentIdentifierTest, CancelWhileListeningEndsAndReleasesThePort) {
    InstrumentIdentifier::Timings slow;
    slow.listen = 60s;
    std::atomic<bool> listening{false};
    bool done = false;
    QString error = "none";
    IdentifyWorker worker(InstrumentIdentifier(kPort, slow),
                          {[&](const IdentifyEvent& e) {
                               if (e.kind == IdentifyEvent::Kind::Trying) listening = true;
                           },
                           [&](const std::optional<Identification>& id, const QString& e) {
                               done = true;
                               error = id ? QStringLiteral("result") : e;
                           }});
    worker.execute();
    ASSERT_TRUE(processEventsUntil([&] { return listening.load(); }));
    ASSERT_TRUE(processEventsUntil([&] { return SimIsOpen(kPort) == 1; }));
    QElapsedTimer timer;
    timer.start();
    worker.cancel();
    ASSERT_TRUE(processEventsUntil([&] { return done; }, 5000));
    std::printf("[ figure ] cancel to done: %lld ms\n", static_cast<long long>(timer.elapsed()));
    EXPECT_EQ(error, "");
    expectLineReleased();
}
