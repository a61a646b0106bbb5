// The Windows serial driver as the serial library loads it, against a Linux pseudo-terminal
// that Wine maps as COM7.
#include <windows.h>

#include <dbt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "PtyLine.h"
#include "Serialio/NativeLibrary.h"
#include "platform/StopPause.h"

namespace {

using Clock = std::chrono::steady_clock;
using win32test::PtyLine;

constexpr int kRate9600 = 7;
constexpr int kRate19200 = 8;
constexpr int kRate4800 = 6;

SerPortConfig lineSettings(const char* name, int rate = kRate9600, int dataBits = 3, int parity = 0,
                           int stopBits = 0) {
    SerPortConfig config{};
    config.portName = name;
    config.baseName = "";
    config.txLen = config.rxLen = 4096;
    config.bitRate = rate;
    config.dataBits = dataBits;
    config.parity = parity;
    config.stopBits = stopBits;
    config.osName = "Windows 10";
    config.hardFlow = 1;
    return config;
}

class Win32DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::optional<std::string> problem = library_.load("jspWin");
        ASSERT_FALSE(problem) << *problem;
        driver_ = library_.driver();
    }

    // Opens COM7 over a fresh pseudo-terminal; p is the driver's port number.
    int openCom7(SerPortConfig config = lineSettings("COM7")) {
        line_ = std::make_unique<PtyLine>("com7");
        EXPECT_EQ(driver_->SerOpenPort(&config), SER_OK) << driver_->SerGetErrorText();
        return config.port - 1;
    }
    void TearDown() override {
        if (open_ >= 0) driver_->SerClosePort(open_);
    }

    Serialio::NativeLibrary library_;
    const SerDriver* driver_ = nullptr;
    std::unique_ptr<PtyLine> line_;
    int open_ = -1;
};

TEST_F(Win32DriverTest, SetsTheLineSettingsTheLineThenHas) {
    // Linux keeps a pseudo-terminal at 8 bits without parity whatever is asked; rate and stop
    // bits change as asked.
    struct Case {
        int rate, dataBits, parity, stopBits;
        const char* onTheLine;
    };
    const Case cases[] = {{kRate19200, 3, 0, 1, "19200 8N2"},
                          {kRate4800, 2, 1, 0, "4800 8N1"},
                          {kRate9600, 3, 0, 0, "9600 8N1"},
                          {kRate9600, 2, 2, 0, "9600 8N1"}};
    open_ = openCom7(lineSettings("COM7", kRate9600, 2, 2, 0));
    ASSERT_GE(open_, 0);
    EXPECT_EQ(line_->settings(), "9600 8N1");
    // Told apart from a real port that refused 7E1 by having no modem lines.
    EXPECT_NE(std::string(driver_->SerGetErrorText()).find("far end decides"), std::string::npos)
        << driver_->SerGetErrorText();
    for (const Case& c : cases) {
        SerPortConfig config = lineSettings("COM7", c.rate, c.dataBits, c.parity, c.stopBits);
        config.port = open_ + 1;
        // The driver compares what it set with what it reads back and fails on a difference.
        EXPECT_EQ(driver_->SerConfigure(&config), SER_OK)
            << c.onTheLine << ": " << driver_->SerGetErrorText();
        EXPECT_EQ(line_->settings(), c.onTheLine);
    }
}

TEST_F(Win32DriverTest, ReadsARecordSplitOverTwoWritesInOrder) {
    open_ = openCom7();
    ASSERT_GE(open_, 0);
    ASSERT_EQ(driver_->SerSetTimeoutRx(open_, 500), 0);
    line_->write("ST,GS,  12.50");
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        line_->write(" g\r\n");
    });
    std::string record;
    for (int byte; record.size() < 19 && (byte = driver_->SerGetByte(open_)) >= 0;)
        record += static_cast<char>(byte);
    later.join();
    EXPECT_EQ(record, "ST,GS,  12.50 g\r\n");
    EXPECT_EQ(driver_->SerGetByte(open_), -1) << "then the line is quiet";

    // Bytes 0x00..0xFF pass unchanged, in blocks.
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) all[static_cast<size_t>(i)] = static_cast<char>(i);
    line_->write(all);
    std::string got(256, '\0');
    EXPECT_EQ(driver_->SerGetData(open_, reinterpret_cast<unsigned char*>(got.data()), 256), 256);
    EXPECT_EQ(got, all);
}

TEST_F(Win32DriverTest, SendsARequestCommandThatArrivesOnTheLine) {
    open_ = openCom7();
    ASSERT_GE(open_, 0);
    const std::string command = "SI\r\n";
    EXPECT_EQ(driver_->SerPutData(open_, reinterpret_cast<const unsigned char*>(command.data()),
                                  static_cast<int>(command.size())),
              4);
    EXPECT_EQ(driver_->SerPutByte(open_, 0x1B), 0);
    EXPECT_EQ(driver_->SerTxDrain(open_), 0) << driver_->SerGetErrorText();
    EXPECT_EQ(line_->read(5, 2000), "SI\r\n\x1b");
}

TEST_F(Win32DriverTest, AStopEndsAWaitOnAQuietLineAtOnce) {
    open_ = openCom7();
    ASSERT_GE(open_, 0);
    std::vector<double> latencies;
    for (int round = 0; round < 7; ++round) {
        std::stop_source stop;
        platform::StopPause pause(stop.get_token());
        int result = -9;
        Clock::time_point returned;
        std::thread waiter([&] {
            result = driver_->SerWaitReadable(open_, pause.wakeHandle(), -1);
            returned = Clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const Clock::time_point requested = Clock::now();
        stop.request_stop();
        waiter.join();
        EXPECT_EQ(result, 0) << "woken, nothing to read";
        latencies.push_back(
            std::chrono::duration<double, std::milli>(returned - requested).count());
    }
    std::sort(latencies.begin(), latencies.end());
    // The median: one late wake-up on a busy machine is not the driver's.
    EXPECT_LT(latencies[latencies.size() / 2], 50.0);
    RecordProperty("stop_latency_max_ms", std::to_string(latencies.back()));
    std::printf("stop ended the wait after %.1f ms (median), %.1f ms (max)\n",
                latencies[latencies.size() / 2], latencies.back());

    // A wake that came with data waiting still says there is data; the data is all there.
    line_->write("7");
    EXPECT_EQ(driver_->SerWaitReadable(open_, SER_NO_WAKE, 2000), 1);
    EXPECT_EQ(driver_->SerGetByte(open_), '7');
    EXPECT_EQ(driver_->SerWaitReadable(open_, SER_NO_WAKE, 50), 0) << "a quiet line times out";
}

TEST_F(Win32DriverTest, AClosedFarEndIsTheDeviceGone) {
    open_ = openCom7();
    ASSERT_GE(open_, 0);
    ASSERT_EQ(driver_->SerSetTimeoutRx(open_, 2000), 0);
    line_->write("A");
    EXPECT_EQ(driver_->SerGetByte(open_), 'A');
    line_->hangUp();
    EXPECT_EQ(driver_->SerWaitReadable(open_, SER_NO_WAKE, 2000), 1) << "for the read to tell";
    EXPECT_EQ(driver_->SerGetByte(open_), -2) << driver_->SerGetErrorText();
    EXPECT_NE(std::string(driver_->SerGetErrorText()).find("COM7"), std::string::npos);
}

TEST_F(Win32DriverTest, OpenFailuresSayWhy) {
    open_ = openCom7();
    ASSERT_GE(open_, 0);
    struct Case {
        const char* name;
        int result;
        const char* textHas;
    };
    const Case cases[] = {{"COM7", SER_ERR_ALREADY_OPEN, "COM7 is open already"},
                          {"\\\\.\\COM7", SER_ERR_ALREADY_OPEN, "open already"},
                          {"COM98", SER_ERR_NO_FILE, "CreateFileW \\\\.\\COM98: "},
                          {"NUL", SER_ERR_NOT_VALID, "not a serial device"},
                          {"", SER_ERR_NOT_VALID, "no device name"}};
    for (const Case& c : cases) {
        SerPortConfig config = lineSettings(c.name);
        EXPECT_EQ(driver_->SerOpenPort(&config), c.result) << c.name;
        EXPECT_NE(std::string(driver_->SerGetErrorText()).find(c.textHas), std::string::npos)
            << c.name << ": " << driver_->SerGetErrorText();
    }
    SerPortConfig badRate = lineSettings("COM7", 17);
    badRate.port = open_ + 1;
    EXPECT_EQ(driver_->SerConfigure(&badRate), SER_ERR_BAD_SETTING);
}

TEST_F(Win32DriverTest, ModemLinesOfAPortWithoutThemReadOffAndSetQuietly) {
    open_ = openCom7();
    ASSERT_GE(open_, 0);
    // A pseudo-terminal has no modem lines (Wine answers error 50), like many virtual ports:
    // reading and setting them must not end an acquisition.
    EXPECT_EQ(driver_->SerSetDTR(open_, 1), 0) << driver_->SerGetErrorText();
    EXPECT_EQ(driver_->SerSetRTS(open_, 0), 0) << driver_->SerGetErrorText();
    EXPECT_EQ(driver_->SerSendBreak(open_, 10), 0) << driver_->SerGetErrorText();
    for (auto line :
         {driver_->SerSigCTS, driver_->SerSigDSR, driver_->SerSigCD, driver_->SerSigRing})
        EXPECT_EQ(line(open_), 0) << driver_->SerGetErrorText();
    // The error marks read clear on a clean line; purging both ways works.
    EXPECT_EQ(driver_->SerSigParityErr(open_), 0);
    EXPECT_EQ(driver_->SerSigFrameErr(open_), 0);
    EXPECT_EQ(driver_->SerSigOverrun(open_), 0);
    line_->write("stale");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(driver_->SerRxReadyCount(open_), 5);
    EXPECT_EQ(driver_->SerRxFlush(open_), 0) << driver_->SerGetErrorText();
    EXPECT_EQ(driver_->SerRxReadyCount(open_), 0);
    EXPECT_EQ(driver_->SerTxFlush(open_), 0) << driver_->SerGetErrorText();
}

TEST_F(Win32DriverTest, TheListingShowsTheMappedPort) {
    line_ = std::make_unique<PtyLine>("com7");
    struct Found {
        std::vector<std::string> names, described;
    } found;
    SerPortListSink sink{};
    sink.context = &found;
    sink.addPortName = [](void* context, const char* name) {
        static_cast<Found*>(context)->names.push_back(name);
    };
    sink.addPortInfo = [](void* context, const char* name, const char*, const char*) {
        static_cast<Found*>(context)->described.push_back(name);
    };
    EXPECT_GE(driver_->SerGetPortList(&sink), 1);
    std::string names;
    for (const std::string& name : found.names) names += name + " ";
    EXPECT_NE(std::find(found.names.begin(), found.names.end(), "COM7"), found.names.end())
        << "listed: " << names;
    EXPECT_EQ(found.names, found.described) << "every port comes with its description";
}

TEST_F(Win32DriverTest, PortsArrivingAndLeavingAreAnnounced) {
    std::atomic<int> heard{0};
    driver_->SerRegisterDeviceNotification(
        [](void* context) { ++*static_cast<std::atomic<int>*>(context); }, &heard);
    ASSERT_STREQ(driver_->SerGetErrorText(), "");
    HWND window = FindWindowW(L"ValtypSerialDeviceWatch", nullptr);
    ASSERT_NE(window, nullptr);
    struct {
        DEV_BROADCAST_PORT_W header;
        wchar_t rest[8];
    } port{};
    port.header.dbcp_size = sizeof port;
    port.header.dbcp_devicetype = DBT_DEVTYP_PORT;
    wcscpy(port.header.dbcp_name, L"COM9");
    DEV_BROADCAST_HDR volume{};
    volume.dbch_size = sizeof volume;
    volume.dbch_devicetype = DBT_DEVTYP_VOLUME;
    // As Windows broadcasts them: only ports arriving or gone count.
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port));
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(&port));
    EXPECT_EQ(heard.load(), 2);
    driver_->SerUnregisterDeviceNotification();
    EXPECT_EQ(FindWindowW(L"ValtypSerialDeviceWatch", nullptr), nullptr) << "the watch ended";
}

}  // namespace
