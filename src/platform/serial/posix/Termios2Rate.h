#pragma once

namespace posixserial {

// Rates outside the classic Bxxx constants, through termios2 and BOTHER. Kept apart because
// the kernel's termios2 header cannot share a file with <termios.h>.

// Sets input and output rate to `rate` bit/s, leaving every other setting as it is.
// Returns false with errno set when the device refuses.
bool setCustomRate(int fd, int rate);

// The output rate the device runs at, or -1 with errno set.
int readCustomRate(int fd);

}  // namespace posixserial
