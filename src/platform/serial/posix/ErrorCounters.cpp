#include "platform/serial/posix/ErrorCounters.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace posixserial {

bool ErrorCounters::read(int fd, int (&counts)[kFieldCount]) const {
    serial_icounter_struct icount{};
    if (ioctl(fd, TIOCGICOUNT, &icount) != 0) return false;
    counts[kFrame] = icount.frame;
    counts[kParity] = icount.parity;
    counts[kOverrun] = icount.overrun;
    counts[kBreak] = icount.brk;
    counts[kBufferOverrun] = icount.buf_overrun;
    return true;
}

void ErrorCounters::start(int fd) {
    available_ = read(fd, seen_);
}

int ErrorCounters::takeNew(int fd, Field field) {
    int counts[kFieldCount] = {};
    if (!available_ || !read(fd, counts)) return 0;
    int fresh = counts[field] - seen_[field];
    seen_[field] = counts[field];
    return fresh > 0 ? fresh : 0;
}

}  // namespace posixserial
