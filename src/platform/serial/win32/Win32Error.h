#pragma once

#include <windows.h>

#include <string>

#include "platform/serial/DriverError.h"
#include "platform/win32/Text.h"

namespace win32serial {

using platform::win32::toUtf8;
using platform::win32::toWide;
using serialdriver::errorText;
using serialdriver::setErrorText;

// The system's text for an error number, "... (error 50)", without the trailing full stop.
inline std::string systemErrorText(DWORD error) {
    return platform::win32::errorText(error);
}

// Records "<call>: <system text>" for GetLastError() and returns code.
int failWithLastError(int code, const std::string& call);

// SER_ERR_* for what CreateFileW on a port failed with.
int openResultFor(DWORD error);

// Whether a read or write failing so means the device went away (unplugged adapter, closed
// far end of a virtual port): no later call on the open handle can succeed.
bool deviceGone(DWORD error);

// Closes a kernel handle at the end of its scope.
class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : handle_(other.release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release() {
        HANDLE h = handle_;
        handle_ = nullptr;
        return h;
    }
    void reset(HANDLE handle = nullptr) {
        if (valid()) CloseHandle(handle_);
        handle_ = handle;
    }

  private:
    HANDLE handle_ = nullptr;
};

}  // namespace win32serial
