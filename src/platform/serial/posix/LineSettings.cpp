#include "platform/serial/posix/LineSettings.h"

#include <termios.h>

#include <array>
#include <cstdlib>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/posix/ErrorText.h"
#include "platform/serial/posix/Termios2Rate.h"

namespace posixserial {

namespace {

// The system's code for each rate of the record's table.
constexpr std::array<speed_t, serialdriver::kTableRates.size()> kRateCodes = {
    B110,   B150,   B300,   B600,    B1200,   B2400,   B4800,  B9600,
    B19200, B38400, B57600, B115200, B230400, B460800, B921600};

constexpr tcflag_t kFormatFlags = CSIZE | PARENB | PARODD | CMSPAR;
// Further flags whose read-back value must equal what we asked for.
constexpr tcflag_t kCheckedControl = CLOCAL | CREAD | HUPCL;
constexpr tcflag_t kCheckedInput = INPCK | PARMRK | IGNPAR | ISTRIP;

std::optional<speed_t> rateCode(int rate) {
    for (size_t i = 0; i < kRateCodes.size(); ++i)
        if (serialdriver::kTableRates[i] == rate) return kRateCodes[i];
    return std::nullopt;
}

bool setFormat(termios& t, const SerPortConfig& c) {
    static constexpr std::array<tcflag_t, 4> sizes = {CS5, CS6, CS7, CS8};
    if (c.dataBits < 0 || c.dataBits > 3 || c.stopBits < 0 || c.stopBits > 1) return false;
    t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    t.c_cflag |= sizes[static_cast<size_t>(c.dataBits)];
    if (c.stopBits == 1) t.c_cflag |= CSTOPB;
    switch (c.parity) {
        case 0:
            break;
        case 1:
            t.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            t.c_cflag |= PARENB;
            break;
        case 3:  // mark: the parity bit is always 1
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case 4:  // space: always 0
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            return false;
    }
    return true;
}

bool setFlowControl(termios& t, int handshake) {
    t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    serialdriver::FlowControl flow = serialdriver::flowControl(handshake);
    if (flow.dsrDtr) return false;  // the kernel has no DSR/DTR flow control
    // The kernel cannot split hardware flow control by direction: either half enables both.
    if (flow.rtsCtsIn || flow.rtsCtsOut) t.c_cflag |= CRTSCTS;
    if (flow.xonXoffIn) t.c_iflag |= IXOFF;
    if (flow.xonXoffOut) t.c_iflag |= IXON;
    return true;
}

void setRaw(termios& t) {
    // Errors arrive in-band as 0xFF 0x00 <byte>, a real 0xFF as 0xFF 0xFF (see RxDecoder).
    t.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL);
    t.c_iflag |= INPCK | PARMRK;
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
    t.c_cflag &= ~HUPCL;
    t.c_cflag |= CLOCAL | CREAD;
    // With VMIN 0 a nonblocking read of an idle line returns 0, which looks like a hang-up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

bool rateWithinTolerance(int actual, int wanted) {
    // UARTs divide a clock; 2 % off still receives reliably.
    return std::abs(actual - wanted) * 50 <= wanted;
}

int restore(int fd, const termios& old, const std::string& why) {
    (void)tcsetattr(fd, TCSANOW, &old);
    setErrorText(why);
    return SER_ERR_NOT_TAKEN;
}

}  // namespace

std::string settingsNotTaken(const termios& wanted, const termios& got,
                             const SerPortConfig& config) {
    const std::string adapter = "the adapter does not support ";
    if ((got.c_cflag & kFormatFlags) != (wanted.c_cflag & kFormatFlags))
        return adapter + serialdriver::formatText(config);
    if ((got.c_cflag & CSTOPB) != (wanted.c_cflag & CSTOPB))
        return adapter + ((wanted.c_cflag & CSTOPB) ? "2 stop bits" : "1 stop bit");
    if ((got.c_cflag & CRTSCTS) != (wanted.c_cflag & CRTSCTS))
        return adapter + "RTS/CTS flow control";
    if ((got.c_iflag & (IXON | IXOFF)) != (wanted.c_iflag & (IXON | IXOFF)))
        return adapter + "XON/XOFF flow control";
    if ((got.c_cflag & kCheckedControl) != (wanted.c_cflag & kCheckedControl))
        return "the line did not take the modem control settings";
    if ((got.c_iflag & kCheckedInput) != (wanted.c_iflag & kCheckedInput))
        return "the line did not take the input settings";
    return {};
}

int applyLineSettings(int fd, const SerPortConfig& config, bool checkReadBack) {
    std::optional<int> rate = requestedRate(config.bitRate);
    if (!rate) {
        setErrorText("no bit rate for index " + std::to_string(config.bitRate));
        return SER_ERR_BAD_SETTING;
    }
    termios old{};
    if (tcgetattr(fd, &old) != 0) return failWithErrno(SER_ERR_SYSTEM, "tcgetattr");
    termios wanted = old;
    setRaw(wanted);
    if (!setFormat(wanted, config)) {
        setErrorText("unknown character format");
        return SER_ERR_BAD_SETTING;
    }
    if (!setFlowControl(wanted, config.handshake)) {
        setErrorText("DSR/DTR flow control is not available on this system");
        return SER_ERR_BAD_SETTING;
    }
    const std::optional<speed_t> entry = rateCode(*rate);
    if (entry && (cfsetispeed(&wanted, *entry) != 0 || cfsetospeed(&wanted, *entry) != 0))
        return failWithErrno(SER_ERR_SYSTEM, "cfsetspeed");
    // glibc answers EINVAL when the kernel quietly changed the size or parity bits; the
    // read-back below tells what the line did take.
    bool refused = tcsetattr(fd, TCSANOW, &wanted) != 0;
    if (refused && errno != EINVAL) return failWithErrno(SER_ERR_SYSTEM, "tcsetattr");
    if (!checkReadBack) {
        // The far end decides; whatever part the kernel kept is as good as it gets.
        if (!entry) (void)setCustomRate(fd, *rate);
        return SER_OK;
    }
    if (!refused && !entry && !setCustomRate(fd, *rate)) {
        int result = failWithErrno(SER_ERR_NOT_TAKEN, "ioctl TCSETS2");
        (void)tcsetattr(fd, TCSANOW, &old);
        return result;
    }

    termios got{};
    if (tcgetattr(fd, &got) != 0) return failWithErrno(SER_ERR_SYSTEM, "tcgetattr");
    if (std::string why = settingsNotTaken(wanted, got, config); !why.empty())
        return restore(fd, old, why);
    if (entry ? cfgetospeed(&got) != *entry : !rateWithinTolerance(readCustomRate(fd), *rate))
        return restore(fd, old, "the adapter does not support " + std::to_string(*rate) + " bit/s");
    if (refused) return restore(fd, old, "tcsetattr: Invalid argument");
    return SER_OK;
}

}  // namespace posixserial
