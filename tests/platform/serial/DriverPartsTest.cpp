// Parts of the POSIX driver a pseudo-terminal cannot reach through the facade.
#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "PseudoTerminal.h"
#include "Serialio/NativeLibrary.h"
#include "Serialio/SerialPortLocal.h"
#include "platform/serial/SerialDriver.h"
#include "platform/serial/posix/DeviceOpen.h"
#include "platform/serial/posix/LineSettings.h"
#include "platform/serial/posix/LockFile.h"
#include "platform/serial/posix/RxDecoder.h"
#include "platform/serial/posix/Termios2Rate.h"
#include "platform/serial/posix/UdevMonitor.h"
#include "platform/serial/posix/UdevPortList.h"

using posixserial::RxDecoder;

namespace {

void decode(RxDecoder& decoder, const std::string& raw) {
    decoder.decode(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
}

std::string takeAll(RxDecoder& decoder) {
    std::string out;
    for (int byte; (byte = decoder.take()) >= 0;) out += static_cast<char>(byte);
    return out;
}

TEST(RxDecoder, RemovesEscapesAndKeepsRealFF) {
    RxDecoder decoder;
    decode(decoder, std::string("ab\xFF\xFF"
                                "c",
                                5));
    EXPECT_EQ(decoder.available(), 4u);
    EXPECT_EQ(takeAll(decoder),
              "ab\xFF"
              "c");
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kParity));
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kFrame));
}

TEST(RxDecoder, MarkedByteRaisesItsFlagWhenHandedOut) {
    RxDecoder decoder;
    decode(decoder, std::string("A\xFF\x00"
                                "BC",
                                5));
    decoder.classifyNewMarks(RxDecoder::kParity, false);
    EXPECT_EQ(decoder.take(), 'A');
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kParity));
    EXPECT_EQ(decoder.take(), 'B');
    EXPECT_TRUE(decoder.takeFlag(RxDecoder::kParity));
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kFrame));
    EXPECT_EQ(decoder.take(), 'C');
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kParity));
}

TEST(RxDecoder, EscapesSplitAcrossReadsAreCompleted) {
    RxDecoder decoder;
    decode(decoder, "x\xFF");
    EXPECT_EQ(takeAll(decoder), "x");
    decode(decoder, std::string("\x00", 1));
    EXPECT_EQ(decoder.available(), 0u);
    decode(decoder, "Q\xFF");
    decode(decoder, "\xFF");
    decoder.classifyNewMarks(RxDecoder::kFrame, false);
    EXPECT_EQ(takeAll(decoder), "Q\xFF");
    EXPECT_TRUE(decoder.takeFlag(RxDecoder::kFrame));
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kParity));
}

TEST(RxDecoder, UnclassifiedMarksReportBothAndNulWithABreakIsABreak) {
    RxDecoder decoder;
    decode(decoder, std::string("\xFF\x00"
                                "e",
                                3));
    EXPECT_EQ(decoder.take(), 'e');
    EXPECT_TRUE(decoder.takeFlag(RxDecoder::kParity));
    EXPECT_TRUE(decoder.takeFlag(RxDecoder::kFrame));

    decode(decoder, std::string("\xFF\x00\x00"
                                "z",
                                4));
    decoder.classifyNewMarks(RxDecoder::kFrame, true);
    EXPECT_EQ(decoder.take(), 0);
    EXPECT_TRUE(decoder.takeFlag(RxDecoder::kBreak));
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kFrame));
}

TEST(RxDecoder, BulkTakesRaiseOnlyTheFlagsOfBytesTaken) {
    RxDecoder decoder;
    decode(decoder, std::string("12\xFF\x00"
                                "34\xFF\x00"
                                "5",
                                9));
    decoder.classifyNewMarks(RxDecoder::kParity, false);
    std::uint8_t out[8] = {};
    EXPECT_EQ(decoder.take(out, 2), 2u);
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kParity));
    EXPECT_EQ(decoder.take(out, 2), 2u);
    EXPECT_TRUE(decoder.takeFlag(RxDecoder::kParity));
    decoder.clear();
    EXPECT_EQ(decoder.available(), 0u);
    decode(decoder, "ok");
    EXPECT_EQ(takeAll(decoder), "ok");
    EXPECT_FALSE(decoder.takeFlag(RxDecoder::kParity));  // the dropped mark raises nothing
}

TEST(DeviceOpen, OpenErrorsMapToTheDriversResults) {
    using posixserial::openResultFor;
    EXPECT_EQ(openResultFor(ENOENT), SER_ERR_NO_FILE);
    EXPECT_EQ(openResultFor(ENODEV), SER_ERR_NO_DEVICE);
    EXPECT_EQ(openResultFor(ENXIO), SER_ERR_NO_DEVICE);
    EXPECT_EQ(openResultFor(EACCES), SER_ERR_PERMISSION);
    EXPECT_EQ(openResultFor(EPERM), SER_ERR_PERMISSION);
    EXPECT_EQ(openResultFor(EBUSY), SER_ERR_IN_USE);
    EXPECT_EQ(openResultFor(EAGAIN), SER_ERR_BUSY);
    EXPECT_EQ(openResultFor(EISDIR), SER_ERR_NOT_VALID);
    EXPECT_EQ(openResultFor(EIO), SER_ERR_SYSTEM);
}

TEST(DeviceOpen, DevicePathsFromNamesOrNumbers) {
    SerPortConfig config{};
    config.portName = "ttyUSB0";
    EXPECT_EQ(posixserial::devicePath(config), "/dev/ttyUSB0");
    config.portName = "/dev/serial/by-id/usb-FTDI";
    EXPECT_EQ(posixserial::devicePath(config), "/dev/serial/by-id/usb-FTDI");
    config.portName = "";
    config.baseName = "/dev/ttyS";
    config.port = 2;
    EXPECT_EQ(posixserial::devicePath(config), "/dev/ttyS1");
    config.port = 0;
    EXPECT_EQ(posixserial::devicePath(config), "");
}

TEST(LineSettingsRates, IndexesAndLiteralRates) {
    EXPECT_EQ(posixserial::requestedRate(7), 9600);
    EXPECT_EQ(posixserial::requestedRate(14), 921600);
    EXPECT_FALSE(posixserial::requestedRate(20).has_value());
    EXPECT_EQ(posixserial::requestedRate(250000), 250000);
    EXPECT_EQ(posixserial::uartDescription(4), "16550A serial port");
    EXPECT_EQ(posixserial::uartDescription(0), "");
}

// A real adapter's read-back: what it did not take is said in the operator's words.
TEST(LineSettingsReadBack, WhatTheAdapterDidNotTakeIsNamed) {
    SerPortConfig config{};
    config.dataBits = 2;  // 7 bits
    config.parity = 2;    // even
    termios wanted{};
    wanted.c_cflag = CS7 | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD;
    wanted.c_iflag = IXON | IXOFF | INPCK | PARMRK;
    struct Case {
        tcflag_t clearControl, setControl, clearInput;
        const char* reason;
    };
    for (Case c : {Case{0, 0, 0, ""},
                   {CSIZE, CS8, 0, "the adapter does not support 7 data bits with even parity"},
                   {PARENB, 0, 0, "the adapter does not support 7 data bits with even parity"},
                   {0, PARODD, 0, "the adapter does not support 7 data bits with even parity"},
                   {CSTOPB, 0, 0, "the adapter does not support 2 stop bits"},
                   {CRTSCTS, 0, 0, "the adapter does not support RTS/CTS flow control"},
                   {0, 0, IXOFF, "the adapter does not support XON/XOFF flow control"},
                   {CLOCAL, 0, 0, "the line did not take the modem control settings"},
                   {0, 0, PARMRK, "the line did not take the input settings"}}) {
        termios got = wanted;
        got.c_cflag = (got.c_cflag & ~c.clearControl) | c.setControl;
        got.c_iflag &= ~c.clearInput;
        EXPECT_EQ(posixserial::settingsNotTaken(wanted, got, config), c.reason);
    }
    config.dataBits = 3;
    config.parity = 0;
    termios got = wanted;
    got.c_cflag &= ~CSIZE;
    EXPECT_EQ(posixserial::settingsNotTaken(wanted, got, config),
              "the adapter does not support 8 data bits without parity");
}

TEST(LockFileNames, NamedAfterTheKernelsDevice) {
    using posixserial::LockFile;
    EXPECT_EQ(LockFile::nameFor("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(LockFile::nameFor("/dev/ttyS10"), "LCK..ttyS10");
    PseudoTerminal pty;
    std::string expected = "LCK.." + pty.slavePath().substr(5);
    expected[expected.find('/')] = '_';
    EXPECT_EQ(LockFile::nameFor(pty.slavePath()), expected);
    // Whatever link led there, the lock is the device's.
    std::filesystem::path link =
        std::filesystem::temp_directory_path() / ("valtyp-link-" + std::to_string(getpid()));
    std::filesystem::create_symlink(pty.slavePath(), link);
    EXPECT_EQ(LockFile::nameFor(link.string()), expected);
    std::filesystem::remove(link);
    EXPECT_TRUE(posixserial::isPseudoTerminal([&] {
        struct stat info {};
        stat(pty.slavePath().c_str(), &info);
        return info.st_rdev;
    }()));
    struct stat null {};
    ASSERT_EQ(stat("/dev/null", &null), 0);
    EXPECT_FALSE(posixserial::isPseudoTerminal(null.st_rdev));
}

// The facade only hands table rates down; the driver itself also takes other rates.
TEST(PosixDriver, RatesOutsideTheTableGoThroughTermios2) {
    Serialio::NativeLibrary library;
    ASSERT_FALSE(library.load("valtypserial-posix").has_value());
    const SerDriver& driver = *library.driver();
    PseudoTerminal pty;
    SerPortConfig config{};
    config.portName = pty.slavePath().c_str();
    config.bitRate = 250000;
    config.dataBits = 3;
    ASSERT_EQ(driver.SerOpenPort(&config), SER_OK) << driver.SerGetErrorText();
    EXPECT_EQ(posixserial::readCustomRate(pty.master()), 250000);
    config.bitRate = 31250;
    EXPECT_EQ(driver.SerConfigure(&config), SER_OK) << driver.SerGetErrorText();
    EXPECT_EQ(posixserial::readCustomRate(pty.master()), 31250);
    config.bitRate = 20;
    EXPECT_EQ(driver.SerConfigure(&config), SER_ERR_BAD_SETTING);
    config.handshake = 3;  // DSR/DTR flow control: not on Linux
    config.bitRate = 7;
    EXPECT_EQ(driver.SerConfigure(&config), SER_ERR_BAD_SETTING);
    EXPECT_EQ(driver.SerClosePort(config.port - 1), SER_OK);
    EXPECT_EQ(driver.SerClosePort(config.port - 1), SER_ERR_BAD_PORT);
    EXPECT_EQ(driver.SerGetByte(config.port - 1), -1);
    EXPECT_EQ(driver.SerSetDTR(config.port - 1, 1), -1);
}

TEST(PosixDriver, DiscoveryListsOnlyRealSerialDevices) {
    std::vector<std::string> names = Serialio::SerialPortLocal::getPortList();
    for (const std::string& name : names) {
        struct stat info {};
        EXPECT_EQ(stat(name.c_str(), &info), 0) << name;
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << name;
        EXPECT_EQ(name.find("/dev/pts/"), std::string::npos);
        EXPECT_NE(name, "/dev/console");
        EXPECT_NE(name, "/dev/ptmx");
    }
    if (names.empty()) return;  // a machine without serial ports
    auto infos = Serialio::SerialPortLocal::getDriverInfoList();
    EXPECT_EQ(infos.size(), names.size());
    for (const auto& info : infos) {
        EXPECT_FALSE(info.getDriverDesc().empty()) << info.getPortName();
        EXPECT_FALSE(info.getDriverMfgr().empty()) << info.getPortName();
    }
}

struct Nothing : Serialio::DeviceNotificationCallback {
    void deviceNotification() override {}
};

size_t threadCount() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

TEST(PosixDriver, DeviceWatchRunsOnOneThreadUntilUnregistered) {
    auto callback = std::make_shared<Nothing>();
    size_t before = threadCount();
    Serialio::SerialPortLocal::registerDeviceNotification(callback);
    EXPECT_EQ(threadCount(), before + 1);
    Serialio::SerialPortLocal::registerDeviceNotification(callback);  // replaces, not adds
    EXPECT_EQ(threadCount(), before + 1);
    Serialio::SerialPortLocal::unregisterDeviceNotification();
    EXPECT_EQ(threadCount(), before);
    Serialio::SerialPortLocal::unregisterDeviceNotification();
    EXPECT_EQ(threadCount(), before);
}

// A pipe stands in for udev's socket: its far end closing is a hang-up with nothing to read.
TEST(UdevMonitorWatch, EndsForTheWakeUpOrASocketThatFailedAndNeverSpins) {
    using namespace std::chrono_literals;
    struct Case {
        const char* what;
        bool hangUp;
        std::optional<std::string> ended;
    };
    const Case cases[] = {
        {"woken after an event", false, std::nullopt},
        {"an event, then the socket hangs up", true,
         "the device event socket reported a hang-up with nothing to read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int device[2];
        ASSERT_EQ(pipe(device), 0);
        const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        ASSERT_GE(wake, 0);
        ASSERT_EQ(write(device[1], "xy", 2), 2);
        if (c.hangUp) close(device[1]);
        std::atomic<int> received{0};
        auto watching = std::async(std::launch::async, [&] {
            return posixserial::UdevMonitor::watch(device[0], wake, [&] {
                char buffer[8];
                ssize_t n = read(device[0], buffer, sizeof buffer);
                if (n > 0) received += static_cast<int>(n);
            });
        });
        const std::uint64_t one = 1;
        if (!c.hangUp) {
            for (int i = 0; i < 200 && received < 2; ++i) std::this_thread::sleep_for(10ms);
            ASSERT_EQ(write(wake, &one, sizeof one), static_cast<ssize_t>(sizeof one));
        }
        const bool ended = watching.wait_for(2s) == std::future_status::ready;
        // A loop that spins is ended all the same, so the test can report it.
        if (!ended) {
            EXPECT_EQ(write(wake, &one, sizeof one), static_cast<ssize_t>(sizeof one));
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(watching.get(), c.ended);
        EXPECT_EQ(received, 2);
        close(device[0]);
        if (!c.hangUp) close(device[1]);
        close(wake);
    }
}

}  // namespace
