// Line errors reach the records they belong to: what a pseudo-terminal cannot
// produce, shown over the simulated serial driver.

#include "QtApp.h"
#include "QtPrinters.h"
#include "RecordingView.h"

#include "Serialio/SerialPortLocal.h"
#include "config/Config.h"
#include "platform/serial/sim/SimControl.h"
#include "worker/RecordFramer.h"
#include "worker/WeightWorker.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <cstring>

using namespace ConfigHelper;

namespace {

class LineErrorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qtApp();
        Serialio::SerialPortLocal::setNativeLibName(SIM_LIBRARY_NAME);
        Serialio::SerialPortLocal::reinitialize();
        SimReset();
        SimAddPort("SIM7", "Valtyp", "simulated balance");
    }
    void TearDown() override {
        SimReset();
        Serialio::SerialPortLocal::setNativeLibName("");
        Serialio::SerialPortLocal::reinitialize();
    }

    std::unique_ptr<WeightWorker> start(Instrument instrument) {
        Config c = getDefaultConfig(instrument);
        c.setInstrument(instrument);
        c.setPort("SIM7");
        c.setInputTerminator(13);
        auto worker = makeWeightWorker(c, view_, {});
        worker->execute();
        return worker;
    }

    static void feed(const char* bytes, int errors = 0) {
        SimFeed("SIM7", reinterpret_cast<const unsigned char*>(bytes),
                static_cast<int>(std::strlen(bytes)), errors);
    }

    void stop(WeightWorker& worker) {
        worker.cancel();
        ASSERT_TRUE(processEventsUntil([&] { return worker.isDone(); }));
    }

    RecordingView view_;
};

}  // namespace

TEST_F(LineErrorTest, AParityErrorMarksOnlyItsOwnRecord) {
    auto worker = start(Instrument::GENERIC);
    feed("1\r");
    feed("2", SIM_ERROR_PARITY);
    feed("\r3\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 3; }));
    const auto lines = view_.lines();
    EXPECT_FALSE(lines[0].isError());
    EXPECT_TRUE(lines[1].isError());
    EXPECT_EQ(lines[1].getProcessedData(), "2");  // still processed and published
    EXPECT_FALSE(lines[2].isError());
    ASSERT_EQ(view_.importantEvents().size(), 1);
    EXPECT_TRUE(view_.importantEvents()[0].startsWith("Parity error"))
        << view_.importantEvents()[0].toStdString();
    stop(*worker);
}

TEST_F(LineErrorTest, AnOverlongRecordTakesItsMarkAlongAndIsLoggedInShort) {
    auto worker = start(Instrument::GENERIC);
    feed("x", SIM_ERROR_PARITY);
    feed(QByteArray(RecordFramer::kDefaultLimit - 1, 'x').constData());
    feed("5\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 1; }));
    EXPECT_FALSE(view_.lines()[0].isError());
    EXPECT_EQ(view_.lines()[0].getProcessedData(), "5");
    const QStringList important = view_.importantEvents();
    ASSERT_EQ(important.size(), 2);
    EXPECT_EQ(important[1], QStringLiteral("Unsent data (no terminator received): ") +
                                QString(200, u'x') + QStringLiteral(" ... (65536 bytes in all)"));
    stop(*worker);
}

TEST_F(LineErrorTest, TextInstrumentsReportLineErrorsInFixedWords) {
    auto worker = start(Instrument::BARCODE_ALPHA);
    feed("AB", SIM_ERROR_FRAME);
    feed("C\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 1; }));
    EXPECT_TRUE(view_.lines()[0].isError());
    EXPECT_EQ(view_.importantEvents(), QStringList({"Framing Error", "Framing Error"}));
    stop(*worker);
}
