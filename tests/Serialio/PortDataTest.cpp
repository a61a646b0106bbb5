// Bytes in and out of a port, and the bounds of the buffer forms.
#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "SimSupport.h"

using Serialio::SerialPortLocal;

namespace {

constexpr const char* kPort = "COM5";

class PortDataTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        SimAddPort(kPort, "", "");
    }
    static std::string sent() {
        std::array<unsigned char, 512> buffer{};
        int count = SimTakeSent(kPort, buffer.data(), static_cast<int>(buffer.size()));
        return std::string(reinterpret_cast<const char*>(buffer.data()),
                           static_cast<size_t>(count));
    }
    static std::vector<std::uint8_t> bytes(const std::string& text) {
        return {text.begin(), text.end()};
    }
};

TEST_F(PortDataTest, EveryWriteFormSendsItsRange) {
    SerialPortLocal port(settings(kPort));
    EXPECT_FALSE(port.sendSinceTxBufEmpty());
    auto data = bytes("0123456789");
    port.putData(data);
    port.putData(data, 3);
    port.putData(data, 4, 2);
    port.putByte(0xFF);
    port.putString("ok\r\n");
    EXPECT_EQ(sent(),
              "0123456789012"
              "45"
              "\xFF"
              "ok\r\n");
    EXPECT_TRUE(port.sendSinceTxBufEmpty());
    port.clearSendSinceTxBufEmpty();
    EXPECT_FALSE(port.sendSinceTxBufEmpty());
}

TEST_F(PortDataTest, AnEmptyBufferSendsNothing) {
    SerialPortLocal port(settings(kPort));
    CallLog log;
    port.putData(std::vector<std::uint8_t>{});
    port.putData(bytes("abc"), 0);
    port.putData(bytes("abc"), 3, 0);
    EXPECT_EQ(log.count("SerPutData"), 0);
    EXPECT_EQ(sent(), "");
}

TEST_F(PortDataTest, RangesOutsideTheBufferAreRefused) {
    SerialPortLocal port(settings(kPort));
    auto data = bytes("abcdef");
    EXPECT_EQ(ioFailure([&] { port.putData(data, 7); }), "putData: count out of bounds");
    EXPECT_EQ(ioFailure([&] { port.putData(data, -1); }), "putData: count out of bounds");
    EXPECT_EQ(ioFailure([&] { port.putData(data, 4, 3); }), "putData3: count out of bounds");
    EXPECT_EQ(ioFailure([&] { port.putData(data, -1, 2); }), "putData3: count out of bounds");
    EXPECT_EQ(ioFailure([&] { port.putData(data, 2, -1); }), "putData3: count out of bounds");
    EXPECT_EQ(sent(), "");
}

TEST_F(PortDataTest, ShortWritesSayHowMuchWentOut) {
    SerialPortLocal port(settings(kPort));
    SimSetResult("SerPutData", 3);
    auto data = bytes("0123456789");
    EXPECT_EQ(ioFailure([&] { port.putData(data); }), "PutData1: Sent only 3 of 10 bytes");
    EXPECT_EQ(ioFailure([&] { port.putData(data, 8); }), "PutData2: Sent only 3 of 8 bytes");
    EXPECT_EQ(ioFailure([&] { port.putData(data, 1, 5); }), "putData3: Sent only 3 of 5 bytes");
    EXPECT_EQ(ioFailure([&] { port.putString("hello"); }), "PutString: sent only 3 of 5 bytes");
    SimSetResult("SerPutByte", -1);
    EXPECT_EQ(ioFailure([&] { port.putByte('x'); }), "PutByte failed: -1");
}

TEST_F(PortDataTest, ReadsStopAtTheEndOfTheBuffer) {
    SerialPortLocal port(settings(kPort));
    std::vector<unsigned char> incoming(100);
    for (size_t i = 0; i < incoming.size(); ++i) incoming[i] = static_cast<unsigned char>(i);
    SimFeed(kPort, incoming.data(), 100, 0);

    std::array<std::uint8_t, 64> buffer{};
    buffer.fill(0xEE);
    EXPECT_EQ(port.getData(buffer, 5, 100), 59);
    EXPECT_EQ(buffer[4], 0xEE);
    EXPECT_EQ(buffer[5], 0);
    EXPECT_EQ(buffer[63], 58);
    EXPECT_EQ(port.getData(buffer, 64, 10), 0);
    EXPECT_EQ(port.getData(buffer, 0, 0), 0);
    EXPECT_EQ(ioFailure([&] { port.getData(buffer, 65, 1); }), "getData: offset out of bounds");
    EXPECT_EQ(ioFailure([&] { port.getData(buffer, -1, 1); }), "getData: offset out of bounds");
    EXPECT_EQ(port.getData(buffer), 41);
    EXPECT_EQ(buffer[0], 59);
    EXPECT_EQ(port.getData(buffer), 0);
    EXPECT_TRUE(port.readSinceRxBufCheck());

    SimSetResult("SerGetData", -1);
    EXPECT_EQ(ioFailure([&] { port.getData(buffer); }), "getData: failed");
}

TEST_F(PortDataTest, GetByteAnswersMinusOneAtOnceWhenIdle) {
    SerialPortLocal port(settings(kPort));
    EXPECT_EQ(port.getByte(), -1);
    SimFeed(kPort, reinterpret_cast<const unsigned char*>("\x00\xFF"), 2, 0);
    EXPECT_EQ(port.getByte(), 0x00);
    EXPECT_EQ(port.getByte(), 0xFF);
    EXPECT_EQ(port.getByte(), -1);
    port.rxFlush();
}

TEST_F(PortDataTest, FlushDropsWhatWasReceived) {
    SerialPortLocal port(settings(kPort));
    SimFeed(kPort, reinterpret_cast<const unsigned char*>("stale"), 5, 0);
    EXPECT_EQ(port.rxReadyCount(), 5);
    port.rxFlush();
    EXPECT_EQ(port.rxReadyCount(), 0);
    EXPECT_EQ(port.getByte(), -1);
}

TEST_F(PortDataTest, EmulatedTimeoutsWaitForTheReadyCountInstead) {
    ScopedPlatform netware("Novell NetWare 6");
    SerialPortLocal port(settings(kPort));
    port.setTimeoutRx(30);
    CallLog log;
    EXPECT_EQ(port.getByte(), -1);
    EXPECT_EQ(log.count("SerGetByte"), 0);  // gave up without reading
    EXPECT_GT(log.count("SerRxReadyCount"), 0);

    std::thread late([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        SimFeed(kPort, reinterpret_cast<const unsigned char*>("ab"), 2, 0);
    });
    port.setTimeoutRx(5000);
    EXPECT_EQ(port.getByte(), 'a');
    late.join();
    std::array<std::uint8_t, 4> buffer{};
    port.setTimeoutRx(20);
    EXPECT_EQ(port.getData(buffer), 0);  // four asked, one there: the time runs out
    EXPECT_EQ(port.getData(buffer, 0, 1), 1);
    EXPECT_EQ(buffer[0], 'b');
}

}  // namespace
