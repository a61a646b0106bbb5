#pragma once
// The file calls the settings store and the reading log need, each checked, one implementation
// per system. Paths are the system's: UTF-8 on Windows, the locale's bytes elsewhere.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace platform {

// A failed call: "<call> <path>: <system text>".
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The whole file, or none when it does not exist.
std::optional<std::string> readWholeFile(const std::string& path);

// Holds an exclusive lock on the lock file (created when missing) until destruction. Waits
// while another process holds it, at most `patience`; then throws FileError saying so.
class FileLock {
  public:
    FileLock(const std::string& lockPath, std::chrono::milliseconds patience);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
    std::intptr_t handle_;
};

// Writes `bytes` to `tempPath` (replacing a leftover), flushes it to the disk with the access
// rights of the file it is to replace (a new file: readable by all, writable by whoever may
// write its folder), calls `beforeReplace`, then puts it in place of `path` in one step. On
// any failure the temporary file is removed and `path` is untouched. Throws FileError.
// `warn` hears of a failure after the file is in place (the folder entry not yet on disk).
void replaceFile(const std::string& path, const std::string& tempPath, const std::string& bytes,
                 const std::function<void()>& beforeReplace,
                 const std::function<void(const std::string&)>& warn);

// A file written at its end and through to the disk on request.
class AppendFile {
  public:
    AppendFile() = default;
    ~AppendFile() { close(); }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens it for reading and appending, created readable by all when missing. On failure
    // false, with error() and whether the folder or file was not found.
    bool open(const std::string& path);
    bool isOpen() const { return handle_ != kClosed; }
    std::optional<std::int64_t> size();
    // The byte at offset, none when it cannot be read.
    std::optional<char> byteAt(std::int64_t offset);
    bool write(const char* data, std::size_t size);
    // The written bytes through to the disk, not just to the system's cache.
    bool sync();
    void close();

    const std::string& error() const { return error_; }
    bool notFound() const { return notFound_; }

  private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
    std::string error_;
    bool notFound_ = false;
};

}  // namespace platform
