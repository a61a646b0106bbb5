// The POSIX driver behind the port facade, over real pseudo-terminals.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <fcntl.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "PseudoTerminal.h"
#include "Serialio/IOException.h"
#include "Serialio/SerialPortLocal.h"

using Serialio::SerialConfig;
using Serialio::SerialPortLocal;
using Bytes = std::vector<unsigned char>;

namespace {

template <typename F>
std::string ioFailure(F&& call) {
    try {
        call();
    } catch (const Serialio::IOException& e) {
        return e.what();
    }
    return "no failure";
}

// What the port's line is set to, read through the master (which answers for the slave).
termios lineOf(const PseudoTerminal& pty) {
    termios settings{};
    EXPECT_EQ(tcgetattr(pty.master(), &settings), 0) << std::strerror(errno);
    return settings;
}

// Reads n bytes through the port, waiting up to two seconds for them.
Bytes receive(SerialPortLocal& port, size_t n) {
    port.setTimeoutRx(2000);
    Bytes got(n);
    size_t have = 0;
    while (have < n) {
        int count = port.getData(std::span(got).subspan(have));
        if (count <= 0) break;
        have += static_cast<size_t>(count);
    }
    got.resize(have);
    port.setTimeoutRx(0);
    return got;
}

class PtyPortTest : public ::testing::Test {
  protected:
    PseudoTerminal pty;
    SerialConfig config{pty.slavePath()};
};

TEST_F(PtyPortTest, OpensInRawModeWithoutHangupOnClose) {
    SerialPortLocal port(config);
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(SerialPortLocal::getOsName(), "Linux");
    EXPECT_EQ(SerialPortLocal::getNativeLibName(), "valtypserial-posix");
    termios line = lineOf(pty);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_EQ(line.c_iflag & (INPCK | PARMRK), INPCK | PARMRK);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(line.c_cflag & HUPCL, 0u);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

TEST_F(PtyPortTest, EveryTableRateWithOneOrTwoStopBits) {
    static constexpr speed_t codes[] = {B110,   B150,    B300,    B600,    B1200,
                                        B2400,  B4800,   B9600,   B19200,  B38400,
                                        B57600, B115200, B230400, B460800, B921600};
    SerialPortLocal port(config);
    for (int index = SerialConfig::BR_110; index <= SerialConfig::BR_921600; ++index) {
        for (int stop : {SerialConfig::ST_1BITS, SerialConfig::ST_2BITS}) {
            config.setBitRate(SerialConfig::bitRateNumbers[static_cast<size_t>(index)]);
            config.setStopBits(stop);
            port.configure(config);
            termios line = lineOf(pty);
            EXPECT_EQ(cfgetospeed(&line), codes[index]) << index;
            EXPECT_EQ((line.c_cflag & CSTOPB) != 0, stop == SerialConfig::ST_2BITS) << index;
        }
    }
}

TEST_F(PtyPortTest, SettingsThePseudoTerminalRefusesFailAndLeaveTheLineAsItWas) {
    // A pseudo-terminal always carries 8 data bits without parity.
    config.setBitRate(SerialConfig::BR_57600);
    SerialPortLocal port(config);
    for (int bits : {SerialConfig::LN_5BITS, SerialConfig::LN_6BITS, SerialConfig::LN_7BITS}) {
        SerialConfig odd = config.copy();
        odd.setDataBits(bits);
        EXPECT_EQ(ioFailure([&] { port.configure(odd); }), "Configure failed: 1011") << bits;
    }
    for (int parity : {SerialConfig::PY_ODD, SerialConfig::PY_EVEN, SerialConfig::PY_MARK,
                       SerialConfig::PY_SPACE}) {
        SerialConfig odd = config.copy();
        odd.setParity(parity);
        EXPECT_EQ(ioFailure([&] { port.configure(odd); }), "Configure failed: 1011") << parity;
    }
    termios line = lineOf(pty);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B57600));
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(port.getBitRate(), SerialConfig::BR_57600);
}

TEST_F(PtyPortTest, HandshakeBecomesKernelFlowControl) {
    SerialPortLocal port(config);
    config.setHandshake(SerialConfig::HS_XONXOFF);
    port.configure(config);
    EXPECT_EQ(lineOf(pty).c_iflag & (IXON | IXOFF), IXON | IXOFF);
    config.setHandshake(SerialConfig::HS_CTSRTS);
    port.configure(config);
    EXPECT_NE(lineOf(pty).c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(lineOf(pty).c_iflag & (IXON | IXOFF), 0u);
    config.setHandshake(SerialConfig::HS_SOFT_OUT);
    port.configure(config);
    EXPECT_EQ(lineOf(pty).c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON));
    EXPECT_EQ(lineOf(pty).c_cflag & CRTSCTS, 0u);
}

TEST_F(PtyPortTest, AllByteValuesGoOutUnchanged) {
    SerialPortLocal port(config);
    Bytes all = allByteValues();
    port.putData(all);
    EXPECT_EQ(pty.read(all.size()), all);
    port.putByte(0xFF);
    port.putString("\r\n");
    EXPECT_EQ(pty.read(3), (Bytes{0xFF, '\r', '\n'}));
}

TEST_F(PtyPortTest, AllByteValuesComeInUnchanged) {
    SerialPortLocal port(config);
    Bytes all = allByteValues();
    pty.write(all);
    EXPECT_EQ(receive(port, all.size()), all);

    // One at a time as the worker reads, with the escapes of 0xFF inside the driver's chunks.
    pty.write(all);
    port.setTimeoutRx(2000);
    Bytes single;
    for (size_t i = 0; i < all.size(); ++i)
        single.push_back(static_cast<unsigned char>(port.getByte()));
    EXPECT_EQ(single, all);
    EXPECT_FALSE(port.sigParityErr());
    EXPECT_FALSE(port.sigFrameErr());
}

TEST_F(PtyPortTest, ManyEscapedBytesSurviveReadBoundaries) {
    SerialPortLocal port(config);
    Bytes block(20000, 0xFF);  // every one arrives as two bytes, more than one read holds
    for (size_t i = 0; i < block.size(); i += 7) block[i] = static_cast<unsigned char>(i);
    std::thread writer([&] { pty.write(block); });
    Bytes got = receive(port, block.size());
    writer.join();
    EXPECT_EQ(got.size(), block.size());
    EXPECT_TRUE(got == block);
}

TEST_F(PtyPortTest, GetByteIsMinusOneWhenIdleAndWaitsOnlyWhenAsked) {
    SerialPortLocal port(config);
    EXPECT_EQ(port.getTimeoutRx(), 0);
    EXPECT_EQ(port.getByte(), -1);
    EXPECT_EQ(port.getByte(), -1);

    port.setTimeoutRx(20);
    EXPECT_EQ(port.getByte(), -1);

    port.setTimeoutRx(5000);
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pty.write({'k'});
    });
    EXPECT_EQ(port.getByte(), 'k');
    late.join();
}

TEST_F(PtyPortTest, WaitReadableEndsOnlyForDataTheWakeUpOrAHangUp) {
    SerialPortLocal port(config);
    const int wake = eventfd(0, EFD_CLOEXEC);
    ASSERT_GE(wake, 0) << std::strerror(errno);
    EXPECT_FALSE(port.waitReadable(wake, 0)) << "a quiet line times out";

    // No time limit: only the byte can end the first wait, only the wake-up the second.
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pty.write({'k'});
    });
    EXPECT_TRUE(port.waitReadable(wake, -1));
    late.join();
    EXPECT_EQ(port.getByte(), 'k');
    EXPECT_EQ(port.getByte(), -1);
    const std::uint64_t one = 1;
    ASSERT_EQ(::write(wake, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    EXPECT_FALSE(port.waitReadable(wake, -1));

    pty.hangUp();
    EXPECT_TRUE(port.waitReadable(-1, -1)) << "a hang-up is for the next read to tell";
    EXPECT_THROW(port.getByte(), Serialio::DeviceGoneException);
    ::close(wake);
    port.close();
    EXPECT_EQ(ioFailure([&] { port.waitReadable(-1, 0); }), "waitReadable: Port not open");
}

TEST_F(PtyPortTest, ReadyCountsFlushAndDrain) {
    SerialPortLocal port(config);
    pty.write({'a', 'b', 0xFF, 'c'});
    int ready = 0;
    for (int i = 0; i < 100 && ready < 4; ++i) {
        ready = port.rxReadyCount();
        if (ready < 4) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(ready, 4);  // the escaped 0xFF counts once
    port.rxFlush();
    EXPECT_EQ(port.rxReadyCount(), 0);
    EXPECT_EQ(port.getByte(), -1);

    port.putString("drained");
    port.txDrain();
    EXPECT_GE(port.txBufCount(), 0);
    EXPECT_EQ(pty.read(7), (Bytes{'d', 'r', 'a', 'i', 'n', 'e', 'd'}));
    port.txFlush();
}

TEST_F(PtyPortTest, MissingModemLinesAreOffAndNoFailure) {
    SerialPortLocal port(config);
    port.setDTR(true);
    port.setRTS(true);
    port.setDTR(false);
    EXPECT_FALSE(port.sigCTS());
    EXPECT_FALSE(port.sigDSR());
    EXPECT_FALSE(port.sigCD());
    EXPECT_FALSE(port.sigRing());
    EXPECT_FALSE(port.sigOverrun());
    EXPECT_FALSE(port.rxOverflow());
    EXPECT_FALSE(port.sigBreak());
    port.sendBreak(5);
    port.sendBreak(0);
}

TEST_F(PtyPortTest, CloseAndOpenAgain) {
    SerialPortLocal port(config);
    port.close();
    EXPECT_FALSE(port.isOpen());
    port.open();
    ASSERT_TRUE(port.isOpen());
    pty.write({'z'});
    EXPECT_EQ(receive(port, 1), Bytes{'z'});
    port.reset();
    EXPECT_TRUE(port.isOpen());
    port.putByte('r');
    EXPECT_EQ(pty.read(1), Bytes{'r'});
}

TEST_F(PtyPortTest, APortHeldByAnotherOpenIsInUse) {
    int other = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0) << std::strerror(errno);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ioFailure([&] { SerialPortLocal port(config); }),
              pty.slavePath() + ": SerOpenPort failed: Port is in use");
    ::close(other);
    SerialPortLocal port(config);
    EXPECT_TRUE(port.isOpen());

    // Our own open keeps out every other, in this process too.
    EXPECT_EQ(ioFailure([&] { SerialPortLocal again(config); }),
              pty.slavePath() + ": SerOpenPort failed: Port is already open");
    int later = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(later, 0);
    EXPECT_NE(flock(later, LOCK_EX | LOCK_NB), 0);
    ::close(later);
}

TEST_F(PtyPortTest, NamesWithoutDevFolderAndMissingOrWrongDevices) {
    SerialPortLocal short_(SerialConfig(pty.slavePath().substr(5)));  // "pts/N"
    EXPECT_TRUE(short_.isOpen());
    short_.close();

    EXPECT_EQ(ioFailure([] { SerialPortLocal port(SerialConfig("/dev/ttyNOSUCH9")); }),
              "/dev/ttyNOSUCH9: SerOpenPort failed: 2: No such device");
    EXPECT_EQ(ioFailure([] { SerialPortLocal port(SerialConfig("/dev/null")); }),
              "/dev/null: SerOpenPort failed: Port not valid");
    SerialPortLocal closed;
    EXPECT_FALSE(closed.isOpen());
}

std::string groupOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return "?";
    group* entry = getgrgid(info.st_gid);
    return entry ? entry->gr_name : std::to_string(info.st_gid);
}

TEST_F(PtyPortTest, PermissionDeniedTellsWhichGroupToJoin) {
    ASSERT_EQ(chmod(pty.slavePath().c_str(), 0), 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Root opens anything; an ordinary user cannot open a device without permission.
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        std::string message = ioFailure([&] { SerialPortLocal port(config); });
        ssize_t written = write(pipeFds[1], message.data(), message.size());
        _exit(written == static_cast<ssize_t>(message.size()) ? 0 : 3);
    }
    close(pipeFds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string group = groupOf(pty.slavePath());
    EXPECT_EQ(message, pty.slavePath() +
                           ": SerOpenPort failed: Permission denied (add your user "
                           "to the group \"" +
                           group + "\" that owns " + pty.slavePath() + " with: sudo usermod -aG " +
                           group + " $USER, then log out and in again)");
}

}  // namespace
