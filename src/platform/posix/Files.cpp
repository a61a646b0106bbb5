#include "platform/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

namespace platform {

namespace {

[[noreturn]] void fail(const char* call, const std::string& path, int err) {
    throw FileError(std::string(call) + " " + path + ": " + std::strerror(err));
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

void writeAll(int fd, const std::string& bytes, const std::string& path) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write", path, errno);
        }
        done += static_cast<size_t>(n);
    }
}

// Removes the temporary file unless it was renamed into place.
class TempFileGuard {
  public:
    explicit TempFileGuard(const std::string& path) : path_(path) {}
    ~TempFileGuard() {
        if (!committed_) ::unlink(path_.c_str());
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void commit() { committed_ = true; }

  private:
    std::string path_;
    bool committed_ = false;
};

std::string folderOf(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::path(path)).parent_path().string();
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string& path) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        fail("open", path, errno);
    }
    std::string bytes;
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("read", path, errno);
        }
        if (n == 0) return bytes;
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

FileLock::FileLock(const std::string& lockPath, std::chrono::milliseconds patience) {
    // Another user's lock file may be read-only for us; flock needs no write access.
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES) fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail("open", lockPath, errno);
    Descriptor held(fd);
    // Polled rather than waited for: a blocking flock cannot be given a time limit.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::milliseconds(5);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) fail("flock", lockPath, errno);
        if (std::chrono::steady_clock::now() >= deadline)
            throw FileError(heldTooLong("flock", lockPath, patience));
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    handle_ = held.release();
}

FileLock::~FileLock() {
    ::close(static_cast<int>(handle_));
}

void replaceFile(const std::string& path, const std::string& tempPath, const std::string& bytes,
                 const std::function<void()>& beforeReplace,
                 const std::function<void(const std::string&)>& warn) {
    // A leftover of a crashed writer may belong to another user; removing it
    // needs only the folder's write permission.
    if (::unlink(tempPath.c_str()) != 0 && errno != ENOENT) fail("unlink", tempPath, errno);
    Descriptor fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0) fail("open", tempPath, errno);
    TempFileGuard guard(tempPath);
    writeAll(fd.get(), bytes, tempPath);
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        // Keep the permissions an administrator gave the shared file.
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0) fail("fchmod", tempPath, errno);
    } else if (errno != ENOENT) {
        fail("stat", path, errno);
    } else {
        // A new file may be written by whoever may write its folder: in the shared
        // folder every user saves after the first, at home only the owner.
        struct stat folder {};
        const std::string folderPath = folderOf(path);
        if (::stat(folderPath.c_str(), &folder) != 0) fail("stat", folderPath, errno);
        const mode_t mode = 0644 | (folder.st_mode & (S_IWGRP | S_IWOTH));
        if (::fchmod(fd.get(), mode) != 0) fail("fchmod", tempPath, errno);
    }
    if (::fsync(fd.get()) != 0) fail("fsync", tempPath, errno);
    if (::close(fd.release()) != 0) fail("close", tempPath, errno);
    if (beforeReplace) beforeReplace();
    if (::rename(tempPath.c_str(), path.c_str()) != 0) fail("rename", tempPath, errno);
    guard.commit();
    // After a rename the folder entry must reach the disk too; the new contents
    // are in place already, so a failure here is only worth a warning.
    const std::string folder = folderOf(path);
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if ((dir.get() < 0 || ::fsync(dir.get()) != 0) && warn)
        warn("fsync " + folder + ": " + std::strerror(errno));
}

bool AppendFile::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = std::strerror(errno);
        notFound_ = errno == ENOENT;
        return false;
    }
    handle_ = fd;
    return true;
}

std::optional<std::int64_t> AppendFile::size() {
    struct stat info {};
    if (::fstat(static_cast<int>(handle_), &info) != 0) {
        error_ = std::strerror(errno);
        return std::nullopt;
    }
    return info.st_size;
}

std::optional<char> AppendFile::byteAt(std::int64_t offset) {
    char byte = 0;
    if (::pread(static_cast<int>(handle_), &byte, 1, offset) != 1) return std::nullopt;
    return byte;
}

bool AppendFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = std::strerror(errno);
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool AppendFile::sync() {
    // A pipe or a device has nothing to sync (EINVAL).
    if (::fdatasync(static_cast<int>(handle_)) != 0 && errno != EINVAL) {
        error_ = std::strerror(errno);
        return false;
    }
    return true;
}

void AppendFile::close() {
    if (handle_ != kClosed) ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

}  // namespace platform
