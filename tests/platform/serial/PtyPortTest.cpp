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
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include "PseudoTerminal.h"
#include "Serialio/Diagnostics.h"
#include "Serialio/IOException.h"
#include "Serialio/SerialPortLocal.h"
#include "Serialio/StablePortNames.h"
#include "Serialio/SystemProperties.h"

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

TEST_F(PtyPortTest, APseudoTerminalTakesEveryCharacterFormatAndDeliversItsBytes) {
    // Network serial bridges and virtual port tools hand out pseudo-terminals; the far end
    // decides the line, so 7 data bits with even parity must open as 8N1 does.
    std::ostringstream diagnostics;
    Serialio::setDiagnosticStream(&diagnostics);
    config.setDataBits(SerialConfig::LN_7BITS);
    config.setParity(SerialConfig::PY_EVEN);
    SerialPortLocal port(config);
    for (int bits = SerialConfig::LN_5BITS; bits <= SerialConfig::LN_8BITS; ++bits) {
        for (int parity = SerialConfig::PY_NONE; parity <= SerialConfig::PY_SPACE; ++parity) {
            SerialConfig other = config.copy();
            other.setDataBits(bits);
            other.setParity(parity);
            other.setStopBits(SerialConfig::ST_2BITS);
            port.configure(other);
            EXPECT_EQ(port.getDataBits(), bits);
        }
    }
    port.configure(config);
    const std::string record = "ST,+0012.34  g\r\n";
    pty.write(Bytes(record.begin(), record.end()));
    Bytes got = receive(port, record.size());
    EXPECT_EQ(std::string(got.begin(), got.end()), record);
    Serialio::setDiagnosticStream(&std::cout);
    // Said once, at the open, not at every configure.
    const std::string note = pty.slavePath() +
                             ": a pseudo-terminal: its far end decides the line "
                             "settings, so they are set but not checked";
    std::string text = diagnostics.str();
    EXPECT_EQ(text.find(note), text.rfind(note)) << text;
    EXPECT_NE(text.find(note), std::string::npos) << text;
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

// Runs the call in a child process as an ordinary user (nobody where the test runs as
// root) and answers what it answered.
std::string asOrdinaryUser(const std::function<std::string()>& call) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return "pipe failed";
    pid_t child = fork();
    if (child < 0) return "fork failed";
    if (child == 0) {
        close(pipeFds[0]);
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        std::string answer = call();
        ssize_t written = write(pipeFds[1], answer.data(), answer.size());
        _exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 3);
    }
    close(pipeFds[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed with status " + std::to_string(status);
    return answer;
}

TEST_F(PtyPortTest, PermissionDeniedAdvisesJoiningTheGroupOnlyWhereThatHelps) {
    const bool root = geteuid() == 0;
    group* dialout = getgrnam("dialout");
    struct Case {
        mode_t mode;
        std::optional<gid_t> group;  // changed only by root
        std::string advice;
    };
    std::vector<Case> cases = {{0600, std::nullopt, ""}};
    if (root) {
        cases.push_back({0660, 0, ""});  // root's group: joining it is no advice to give
        cases.push_back({0640, 5, ""});  // the group may not write
        if (dialout)
            cases.push_back({0660, dialout->gr_gid,
                             " (add your user to the group dialout: sudo usermod -aG dialout "
                             "$USER, then log in again)"});
    }
    for (const Case& c : cases) {
        ASSERT_EQ(chmod(pty.slavePath().c_str(), c.mode), 0);
        if (c.group) {
            ASSERT_EQ(chown(pty.slavePath().c_str(), 0, *c.group), 0);
        }
        EXPECT_EQ(asOrdinaryUser([&] { return ioFailure([&] { SerialPortLocal port(config); }); }),
                  pty.slavePath() + ": SerOpenPort failed: Permission denied" + c.advice)
            << std::oct << c.mode;
    }
}

// Lock files go to a folder of the test's own.
class LockFileTest : public PtyPortTest {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/valtyp-lock-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        ASSERT_EQ(chmod(folder_.c_str(), 01777), 0);  // as /run/lock is
        ASSERT_EQ(setenv("VALTYP_SERIAL_LOCK_DIR", folder_.c_str(), 1), 0);
        std::string name = pty.slavePath().substr(5);  // "pts/N"
        name.replace(name.find('/'), 1, "_");
        lockPath_ = folder_ + "/LCK.." + name;
    }
    void TearDown() override {
        unsetenv("VALTYP_SERIAL_LOCK_DIR");
        std::filesystem::remove_all(folder_);
    }

    void writeLock(const std::string& text) const {
        std::ofstream(lockPath_, std::ios::trunc) << text;
    }
    std::string lockText() const {
        std::ifstream in(lockPath_);
        if (!in) return "no lock file";
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string pidText(pid_t pid) {
        char text[16];
        std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
        return text;
    }

    std::string folder_;
    std::string lockPath_;
};

TEST_F(LockFileTest, ALiveHolderKeepsThePortAndAStaleLockIsRemoved) {
    pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        pause();  // a terminal program holding the port
        _exit(0);
    }
    writeLock(pidText(holder));
    EXPECT_EQ(ioFailure([&] { SerialPortLocal port(config); }),
              pty.slavePath() + ": SerOpenPort failed: Port is in use");
    EXPECT_EQ(lockText(), pidText(holder));
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);

    // The holder is gone, as is a lock nobody can read: either is taken over.
    for (const std::string& stale : {pidText(holder), std::string("garbage\n")}) {
        writeLock(stale);
        SerialPortLocal port(config);
        EXPECT_EQ(lockText(), pidText(getpid()));
        port.close();
        EXPECT_EQ(lockText(), "no lock file");
    }

    // Held while open, so the next program is refused, and gone once closed.
    SerialPortLocal port(config);
    EXPECT_EQ(asOrdinaryUser([&] {
                  // Another program: it does not share our open port, and leaves our lock.
                  port.close();
                  return ioFailure([&] { SerialPortLocal other(config); });
              }),
              pty.slavePath() + ": SerOpenPort failed: Port is in use");
    EXPECT_EQ(lockText(), pidText(getpid()));
    port.close();
    EXPECT_EQ(lockText(), "no lock file");
}

TEST_F(LockFileTest, WithoutAWritableLockFolderThePortIsUsedAllTheSame) {
    ASSERT_EQ(chmod(pty.slavePath().c_str(), 0666), 0);
    ASSERT_EQ(chmod(folder_.c_str(), 0555), 0);  // root's folder, or unwritable for its owner
    EXPECT_EQ(asOrdinaryUser([&] {
                  SerialPortLocal port(config);
                  return std::string(port.isOpen() ? "open" : "closed");
              }),
              "open");
    EXPECT_EQ(lockText(), "no lock file");

    ASSERT_EQ(setenv("VALTYP_SERIAL_LOCK_DIR", (folder_ + "/missing").c_str(), 1), 0);
    SerialPortLocal port(config);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(LockFileTest, ALockThatCannotBeReadOrRemovedKeepsThePortInUse) {
    pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    ASSERT_EQ(chmod(pty.slavePath().c_str(), 0666), 0);
    struct Case {
        const char* what;
        mode_t lockMode;
        mode_t folderMode;
        std::string reason;  // what the driver says, after the device's name
    };
    const Case cases[] = {
        {"another program's lock we may not read", 0, 01777,
         " is locked by another program (" + lockPath_ + " cannot be read: Permission denied)"},
        {"a stale lock in a folder we may not change", 0644, 0555,
         " has a stale lock file that cannot be removed (" + lockPath_ + ": Permission denied)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeLock(pidText(gone));
        ASSERT_EQ(chmod(lockPath_.c_str(), c.lockMode), 0);
        ASSERT_EQ(chmod(folder_.c_str(), c.folderMode), 0);
        const std::string answer = asOrdinaryUser([&] {
            std::ostringstream diagnostics;
            Serialio::setDiagnosticStream(&diagnostics);
            const std::string failure = ioFailure([&] { SerialPortLocal port(config); });
            return failure + "\n" + diagnostics.str();
        });
        const std::string failure = answer.substr(0, answer.find('\n'));
        EXPECT_EQ(failure, pty.slavePath() + ": SerOpenPort failed: Port is in use");
        EXPECT_NE(answer.find("\nSerOpenPort: " + pty.slavePath() + c.reason + "\n"),
                  std::string::npos)
            << answer;
        ASSERT_EQ(chmod(folder_.c_str(), 01777), 0);
        ASSERT_EQ(chmod(lockPath_.c_str(), 0644), 0);
        EXPECT_EQ(lockText(), pidText(gone));  // left as it was
        std::filesystem::remove(lockPath_);
    }
}

TEST_F(LockFileTest, AStableLinkFindsTheSameInstrumentAfterTheKernelRenumberedIt) {
    // A folder standing in for /dev/serial/by-id, holding udev's kind of relative link.
    const std::string links = folder_ + "/by-id";
    ASSERT_TRUE(std::filesystem::create_directory(links));
    Serialio::SystemProperties::set(Serialio::StablePortNames::FOLDER_PROPERTY, links);
    const std::string link = links + "/usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0";
    auto plugIn = [&](const PseudoTerminal& device) {
        std::filesystem::remove(link);
        std::filesystem::create_symlink("../../.." + device.slavePath(), link);
    };
    plugIn(pty);
    SerialConfig stored(link);
    {
        SerialPortLocal port(stored);
        pty.write({'a'});
        EXPECT_EQ(receive(port, 1), Bytes{'a'});
        EXPECT_EQ(lockText(), pidText(getpid()));  // named after the kernel's device
        // The same device under its other name is the same open port.
        EXPECT_EQ(ioFailure([&] { SerialPortLocal again(config); }),
                  pty.slavePath() + ": SerOpenPort failed: Port is already open");
    }
    PseudoTerminal renumbered;
    plugIn(renumbered);
    EXPECT_EQ(Serialio::StablePortNames::kernelNameOf(link), renumbered.slavePath());
    EXPECT_EQ(Serialio::StablePortNames::linkFor(renumbered.slavePath()), link);
    EXPECT_EQ(Serialio::StablePortNames::linkFor(pty.slavePath()), std::nullopt);
    SerialPortLocal port(stored);
    renumbered.write({'b'});
    EXPECT_EQ(receive(port, 1), Bytes{'b'});
    Serialio::SystemProperties::clear(Serialio::StablePortNames::FOLDER_PROPERTY);
}

}  // namespace
