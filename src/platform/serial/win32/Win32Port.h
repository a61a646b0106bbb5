#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/serial/win32/Win32Error.h"

struct SerPortConfig;

namespace win32serial {

// "\\.\COM12" for "COM12", "com12" or "\\.\COM12"; other names are taken as they are.
std::wstring devicePath(const SerPortConfig& config);

// One open COM port. Every read and write is overlapped with an event, so a wait for the line
// can also wait for the caller's wake-up event and a stop ends it at once.
class Win32Port {
  public:
    // SER_OK and the port, or a SER_ERR_* code with errorText() set.
    static int open(const std::wstring& path, const SerPortConfig& config,
                    std::unique_ptr<Win32Port>& port);
    ~Win32Port();
    Win32Port(const Win32Port&) = delete;
    Win32Port& operator=(const Win32Port&) = delete;

    const std::wstring& path() const { return path_; }
    const std::string& name() const { return name_; }
    // A port whose far end decides the character format (see configure).
    bool isVirtual() const { return virtual_; }

    int configure(const SerPortConfig& config);

    int getByte();  // -1 when nothing came within the receive timeout; -2 gone, -3 failed
    // 1 when a byte (or a failure) waits to be read, 0 when wake was set or the time ran out.
    int waitReadable(HANDLE wake, int milliseconds);
    int getData(unsigned char* buffer, int count);
    int putData(const unsigned char* buffer, int count);
    int rxReadyCount();
    int txBufCount();
    int rxFlush();
    int txFlush();
    int txDrain();
    int sendBreak(int milliseconds);

    // MS_*_ON bit of GetCommModemStatus: 1 on, 0 off, -1 failure.
    int inputLine(DWORD bit);
    // SETDTR/CLRDTR/SETRTS/CLRRTS of EscapeCommFunction: 0, or -1 failure.
    int setOutputLine(DWORD function);

    // 1 when the line reported that CE_* error since the last call for it, else 0.
    int takeLineError(DWORD error);

    void setTimeoutRx(int milliseconds) { timeoutRx_ = milliseconds; }
    void setTimeoutTx(int milliseconds) { timeoutTx_ = milliseconds; }
    int timeoutRx() const { return timeoutRx_; }
    int timeoutTx() const { return timeoutTx_; }

  private:
    Win32Port(Handle device, std::wstring path);

    // kGone: the device went away, no later read can succeed.
    enum class Fill { kData, kNothing, kFailed, kGone };
    static bool failed(Fill fill) { return fill == Fill::kFailed || fill == Fill::kGone; }
    Fill fill(DWORD waitMilliseconds, HANDLE wake);
    Fill readFailure(const char* call);
    bool collectErrors(COMSTAT* status = nullptr);
    size_t buffered() const { return end_ - begin_; }

    Handle device_;
    Handle readDone_;
    Handle writeDone_;
    std::wstring path_;
    std::string name_;
    std::array<std::uint8_t, 4096> buffer_{};
    size_t begin_ = 0;
    size_t end_ = 0;
    DWORD lineErrors_ = 0;
    bool virtual_ = false;  // CE_* seen and not yet asked for
    int timeoutRx_ = 0;
    int timeoutTx_ = 0;
};

}  // namespace win32serial
