#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <string>

#include "platform/serial/posix/ErrorCounters.h"
#include "platform/serial/posix/FileDescriptor.h"
#include "platform/serial/posix/LockFile.h"
#include "platform/serial/posix/RxDecoder.h"

struct SerPortConfig;

namespace posixserial {

// One open serial device. Reads are nonblocking reads of whole chunks into the decoder, so
// asking for one byte at a time costs a system call only when the buffer ran dry.
class PosixPort {
  public:
    PosixPort(FileDescriptor fd, std::string path, dev_t device, LockFile lock = {});
    ~PosixPort();
    PosixPort(const PosixPort&) = delete;
    PosixPort& operator=(const PosixPort&) = delete;

    const std::string& path() const { return path_; }
    dev_t device() const { return device_; }
    // A pseudo-terminal: network bridges and virtual port tools, whose far end decides the
    // line settings.
    bool isVirtual() const { return virtual_; }

    int configure(const SerPortConfig& config);

    int getByte();  // -1 when nothing came within the receive timeout; -2 gone, -3 failed
    // 1 when a byte (or a failure) waits to be read, 0 when wakeFd woke it or the time ran out.
    int waitReadable(int wakeFd, int milliseconds);
    int getData(unsigned char* buffer, int count);
    int putData(const unsigned char* buffer, int count);
    int rxReadyCount();
    int txBufCount();
    int rxFlush();
    int txFlush();
    int txDrain();
    int sendBreak(int milliseconds);

    // Modem lines by TIOCM_* bit. A device without modem lines reads them off and ignores
    // setting them.
    int inputLine(int bit);
    int setOutputLine(int bit, bool on);

    // 1 when a byte handed out since the last call carried that error, else 0.
    int takeLineError(RxDecoder::Flag flag) { return decoder_.takeFlag(flag) ? 1 : 0; }
    int takeCounted(ErrorCounters::Field field) { return counters_.takeNew(fd_.get(), field) > 0; }

    void setTimeoutRx(int milliseconds) { timeoutRx_ = milliseconds; }
    void setTimeoutTx(int milliseconds) { timeoutTx_ = milliseconds; }
    int timeoutRx() const { return timeoutRx_; }
    int timeoutTx() const { return timeoutTx_; }

  private:
    // kGone: the device hung up or went away, no later read can succeed.
    enum class Fill { kData, kNothing, kFailed, kGone };
    static bool failed(Fill fill) { return fill == Fill::kFailed || fill == Fill::kGone; }
    Fill readChunk();
    Fill fill(int waitMilliseconds);
    bool waitFor(short events, int milliseconds);

    LockFile lock_;  // removed only once the device is closed
    FileDescriptor fd_;
    std::string path_;
    dev_t device_;
    bool virtual_;
    RxDecoder decoder_;
    ErrorCounters counters_;
    std::array<std::uint8_t, 4096> chunk_{};
    int timeoutRx_ = 0;
    int timeoutTx_ = 0;
};

}  // namespace posixserial
