#include "platform/serial/posix/PosixPort.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/posix/DeviceOpen.h"
#include "platform/serial/posix/ErrorText.h"
#include "platform/serial/posix/LineSettings.h"

namespace posixserial {

namespace {

using Clock = std::chrono::steady_clock;

bool noSuchFeature(int error) {
    return error == ENOTTY || error == EINVAL;
}

// What a read of an unplugged adapter or a hung-up line fails with.
bool deviceGone(int error) {
    return error == EIO || error == ENODEV || error == ENXIO;
}

int millisecondsUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

PosixPort::PosixPort(FileDescriptor fd, std::string path, dev_t device, LockFile lock)
    : lock_(std::move(lock)),
      fd_(std::move(fd)),
      path_(std::move(path)),
      device_(device),
      virtual_(isPseudoTerminal(device)) {
    counters_.start(fd_.get());
}

PosixPort::~PosixPort() {
    // The exclusive flag outlives our descriptor on a pseudo-terminal; drop it for the next user.
    (void)ioctl(fd_.get(), TIOCNXCL);
}

int PosixPort::configure(const SerPortConfig& config) {
    return applyLineSettings(fd_.get(), config, !virtual_);
}

PosixPort::Fill PosixPort::readChunk() {
    for (;;) {
        ssize_t n = ::read(fd_.get(), chunk_.data(), chunk_.size());
        if (n > 0) {
            if (decoder_.decode(chunk_.data(), static_cast<size_t>(n)) > 0) {
                // The counters tell which error the in-band marks stand for.
                int frame = counters_.takeNew(fd_.get(), ErrorCounters::kFrame);
                int parity = counters_.takeNew(fd_.get(), ErrorCounters::kParity);
                int breaks = counters_.takeNew(fd_.get(), ErrorCounters::kBreak);
                unsigned kinds = 0;
                if (frame > 0 && parity == 0) kinds = RxDecoder::kFrame;
                if (parity > 0 && frame == 0) kinds = RxDecoder::kParity;
                if (kinds == 0) kinds = RxDecoder::kParity | RxDecoder::kFrame;
                decoder_.classifyNewMarks(kinds, breaks > 0);
            }
            return Fill::kData;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return Fill::kNothing;
        if (n == 0) {
            // A terminal reads end of file only after a hang-up.
            setErrorText("read " + path_ + ": end of file");
            return Fill::kGone;
        }
        failWithErrno(-1, "read " + path_);
        return deviceGone(errno) ? Fill::kGone : Fill::kFailed;
    }
}

bool PosixPort::waitFor(short events, int milliseconds) {
    pollfd entry{fd_.get(), events, 0};
    int ready = ::poll(&entry, 1, milliseconds);
    if (ready < 0 && errno != EINTR) {
        failWithErrno(-1, "poll " + path_);
        return false;
    }
    return true;
}

PosixPort::Fill PosixPort::fill(int waitMilliseconds) {
    auto deadline = Clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (;;) {
        Fill result = readChunk();
        if (failed(result)) return result;
        // A chunk may hold only the first half of an escape; then there is nothing to hand out.
        if (decoder_.available() > 0) return Fill::kData;
        int left = millisecondsUntil(deadline);
        if (left == 0) return Fill::kNothing;
        if (!waitFor(POLLIN, left)) return Fill::kFailed;
    }
}

int PosixPort::getByte() {
    int byte = decoder_.take();
    if (byte >= 0) return byte;
    switch (fill(timeoutRx_)) {
        case Fill::kData:
            return decoder_.take();
        case Fill::kNothing:
            return -1;
        case Fill::kFailed:
            return -3;
        case Fill::kGone:
            break;
    }
    return -2;
}

int PosixPort::waitReadable(int wakeFd, int milliseconds) {
    if (decoder_.available() > 0) return 1;
    std::array<pollfd, 2> entries{{{fd_.get(), POLLIN, 0}, {wakeFd, POLLIN, 0}}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    const bool limited = milliseconds >= 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(limited ? milliseconds : 0);
    for (;;) {
        int ready = ::poll(entries.data(), count, limited ? millisecondsUntil(deadline) : -1);
        // A hang-up or an error shows in revents too: the next read tells which.
        if (ready > 0) return entries[0].revents != 0 ? 1 : 0;
        if (ready == 0) return 0;
        if (errno != EINTR) return failWithErrno(-1, "poll " + path_);
    }
}

int PosixPort::getData(unsigned char* buffer, int count) {
    if (count <= 0) return 0;
    auto wanted = static_cast<size_t>(count);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutRx_);
    size_t got = decoder_.take(buffer, wanted);
    while (got < wanted) {
        Fill result = fill(millisecondsUntil(deadline));
        if (failed(result)) return got > 0 ? static_cast<int>(got) : -1;
        if (result == Fill::kNothing) break;
        got += decoder_.take(buffer + got, wanted - got);
    }
    return static_cast<int>(got);
}

int PosixPort::putData(const unsigned char* buffer, int count) {
    if (count <= 0) return 0;
    auto wanted = static_cast<size_t>(count);
    bool limited = timeoutTx_ > 0;  // 0 waits until everything is written
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutTx_);
    size_t sent = 0;
    while (sent < wanted) {
        ssize_t n = ::write(fd_.get(), buffer + sent, wanted - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            failWithErrno(-1, "write " + path_);
            break;
        }
        int left = limited ? millisecondsUntil(deadline) : -1;
        if (left == 0 || !waitFor(POLLOUT, left)) break;
    }
    return static_cast<int>(sent);
}

int PosixPort::rxReadyCount() {
    // Pull in what the kernel holds so escapes are not counted as data.
    Fill result;
    do {
        result = readChunk();
    } while (result == Fill::kData);
    if (failed(result) && decoder_.available() == 0) return -1;
    return static_cast<int>(decoder_.available());
}

int PosixPort::txBufCount() {
    int queued = 0;
    if (ioctl(fd_.get(), TIOCOUTQ, &queued) != 0) return failWithErrno(-1, "ioctl TIOCOUTQ");
    return queued;
}

int PosixPort::rxFlush() {
    decoder_.clear();
    if (tcflush(fd_.get(), TCIFLUSH) != 0) return failWithErrno(-1, "tcflush TCIFLUSH");
    return 0;
}

int PosixPort::txFlush() {
    if (tcflush(fd_.get(), TCOFLUSH) != 0) return failWithErrno(-1, "tcflush TCOFLUSH");
    return 0;
}

int PosixPort::txDrain() {
    while (tcdrain(fd_.get()) != 0) {
        if (errno != EINTR) return failWithErrno(-1, "tcdrain");
    }
    return 0;
}

int PosixPort::sendBreak(int milliseconds) {
    if (milliseconds <= 0) {
        if (tcsendbreak(fd_.get(), 0) != 0 && !noSuchFeature(errno))
            return failWithErrno(-1, "tcsendbreak");
        return 0;
    }
    if (ioctl(fd_.get(), TIOCSBRK) != 0) {
        if (noSuchFeature(errno)) return 0;
        return failWithErrno(-1, "ioctl TIOCSBRK");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    if (ioctl(fd_.get(), TIOCCBRK) != 0) return failWithErrno(-1, "ioctl TIOCCBRK");
    return 0;
}

int PosixPort::inputLine(int bit) {
    int lines = 0;
    if (ioctl(fd_.get(), TIOCMGET, &lines) != 0) {
        if (noSuchFeature(errno)) return 0;
        return failWithErrno(-1, "ioctl TIOCMGET");
    }
    return (lines & bit) ? 1 : 0;
}

int PosixPort::setOutputLine(int bit, bool on) {
    if (ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &bit) != 0) {
        if (noSuchFeature(errno)) return 0;
        return failWithErrno(-1, on ? "ioctl TIOCMBIS" : "ioctl TIOCMBIC");
    }
    return 0;
}

}  // namespace posixserial
