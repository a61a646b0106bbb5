#include "platform/Files.h"

#include <windows.h>

#include <thread>

#include "platform/win32/Text.h"

namespace platform {

namespace {

using win32::toWide;

[[noreturn]] void fail(const char* call, const std::string& path, DWORD error) {
    throw FileError(std::string(call) + " " + path + ": " + win32::errorText(error));
}

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }
    HANDLE release() {
        HANDLE h = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return h;
    }

  private:
    HANDLE handle_;
};

HANDLE handleOf(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

bool missing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string& path) {
    Handle file(CreateFileW(toWide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        DWORD error = GetLastError();
        if (missing(error)) return std::nullopt;
        fail("CreateFileW", path, error);
    }
    std::string bytes;
    char buffer[16 * 1024];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr))
            fail("ReadFile", path, GetLastError());
        if (n == 0) return bytes;
        bytes.append(buffer, n);
    }
}

FileLock::FileLock(const std::string& lockPath, std::chrono::milliseconds patience) {
    // Shared open: the lock is the byte range, so every user can open the file at once.
    Handle file(CreateFileW(toWide(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) fail("CreateFileW", lockPath, GetLastError());
    // Polled rather than waited for, so that the wait has a limit.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::milliseconds(5);
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &whole))
            break;
        DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
            fail("LockFileEx", lockPath, error);
        if (std::chrono::steady_clock::now() >= deadline)
            throw FileError(heldTooLong("LockFileEx", lockPath, patience));
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    handle_ = reinterpret_cast<std::intptr_t>(file.release());
}

FileLock::~FileLock() {
    // Closing the handle releases the lock.
    CloseHandle(handleOf(handle_));
}

void replaceFile(const std::string& path, const std::string& tempPath, const std::string& bytes,
                 const std::function<void()>& beforeReplace,
                 const std::function<void(const std::string&)>&) {
    const std::wstring temp = toWide(tempPath);
    if (!DeleteFileW(temp.c_str()) && !missing(GetLastError()))
        fail("DeleteFileW", tempPath, GetLastError());
    // Access rights come from the folder, as Windows gives them to a new file there.
    Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) fail("CreateFileW", tempPath, GetLastError());
    bool placed = false;
    struct Cleanup {
        const std::wstring& temp;
        const bool& placed;
        ~Cleanup() {
            if (!placed) DeleteFileW(temp.c_str());
        }
    } cleanup{temp, placed};
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &n, nullptr))
            fail("WriteFile", tempPath, GetLastError());
        done += n;
    }
    if (!FlushFileBuffers(file.get())) fail("FlushFileBuffers", tempPath, GetLastError());
    CloseHandle(file.release());
    if (beforeReplace) beforeReplace();
    // Write-through: the move is on the disk when the call returns.
    if (!MoveFileExW(temp.c_str(), toWide(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail("MoveFileExW", tempPath, GetLastError());
    placed = true;
}

bool AppendFile::open(const std::string& path) {
    close();
    HANDLE file = CreateFileW(toWide(path).c_str(), FILE_APPEND_DATA | GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        error_ = win32::errorText(error);
        notFound_ = missing(error);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

std::optional<std::int64_t> AppendFile::size() {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(handle_), &size)) {
        error_ = win32::errorText(GetLastError());
        return std::nullopt;
    }
    return size.QuadPart;
}

std::optional<char> AppendFile::byteAt(std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    char byte = 0;
    DWORD n = 0;
    if (!ReadFile(handleOf(handle_), &byte, 1, &n, &at) || n != 1) return std::nullopt;
    return byte;
}

bool AppendFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
        if (!WriteFile(handleOf(handle_), data, chunk, &n, nullptr)) {
            error_ = win32::errorText(GetLastError());
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool AppendFile::sync() {
    if (!FlushFileBuffers(handleOf(handle_))) {
        error_ = win32::errorText(GetLastError());
        return false;
    }
    return true;
}

void AppendFile::close() {
    if (handle_ != kClosed) CloseHandle(handleOf(handle_));
    handle_ = kClosed;
}

}  // namespace platform
