#include "platform/serial/posix/LockFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/posix/ErrorText.h"
#include "platform/serial/posix/FileDescriptor.h"

namespace posixserial {

namespace {

constexpr int kAttempts = 3;

// What a lock file says of its holder.
struct Holder {
    bool exists = false;
    int readError = 0;  // errno when the file is there but cannot be read
    pid_t pid = 0;      // 0 when the text names no process
};

// The process number a lock file holds: ASCII, perhaps padded.
Holder holderOf(const std::string& lockPath) {
    Holder holder;
    FileDescriptor fd(::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) {
        holder.exists = errno != ENOENT;
        if (holder.exists) holder.readError = errno;
        return holder;
    }
    holder.exists = true;
    char text[32] = {};
    ssize_t n = ::read(fd.get(), text, sizeof text - 1);
    if (n < 0) {
        holder.readError = errno;
        return holder;
    }
    char* end = nullptr;
    long pid = std::strtol(text, &end, 10);
    if (pid > 0 && end != text) holder.pid = static_cast<pid_t>(pid);
    return holder;
}

bool alive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

bool folderMissingOrClosed(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == ENOENT ||
           error == ENOTDIR;
}

// Writes our process number into a fresh file beside the lock and links it into place, so
// nobody ever sees a half-written lock. Answers the errno of a failure, 0 when linked.
int createLock(const std::string& lockPath) {
    std::string temp = lockPath + ".XXXXXX";
    FileDescriptor fd(::mkstemp(temp.data()));
    if (!fd.valid()) return errno;
    char text[16];
    int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    int error = 0;
    if (::fchmod(fd.get(), 0644) != 0 ||
        ::write(fd.get(), text, static_cast<size_t>(length)) != static_cast<ssize_t>(length))
        error = errno;
    else if (::link(temp.c_str(), lockPath.c_str()) != 0)
        error = errno;
    ::unlink(temp.c_str());
    return error;
}

}  // namespace

LockFile::LockFile(LockFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

LockFile& LockFile::operator=(LockFile&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::exchange(other.path_, {});
    }
    return *this;
}

std::string LockFile::nameFor(const std::string& devicePath) {
    std::error_code error;
    std::filesystem::path device = std::filesystem::canonical(devicePath, error);
    if (error) device = std::filesystem::path(devicePath).lexically_normal();
    std::string name = device.string();
    if (name.rfind("/dev/", 0) == 0)
        name.erase(0, 5);
    else
        name = device.filename().string();
    for (char& c : name)
        if (c == '/') c = '_';
    return "LCK.." + name;
}

std::vector<std::string> LockFile::folders() {
    if (const char* chosen = std::getenv("VALTYP_SERIAL_LOCK_DIR"); chosen && *chosen)
        return {chosen};
    return {"/run/lock", "/var/lock"};
}

int LockFile::acquire(const std::string& devicePath) {
    release();
    std::string folder;
    for (const std::string& candidate : folders()) {
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            folder = candidate;
            break;
        }
    }
    if (folder.empty()) return SER_OK;
    const std::string lockPath = folder + "/" + nameFor(devicePath);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const Holder holder = holderOf(lockPath);
        if (holder.exists) {
            // A lock we cannot read may be anybody's: the port is theirs until it is gone.
            if (holder.readError != 0) {
                setErrorText(devicePath + " is locked by another program (" + lockPath +
                             " cannot be read: " + std::strerror(holder.readError) + ")");
                return SER_ERR_IN_USE;
            }
            if (holder.pid > 0 && holder.pid != ::getpid() && alive(holder.pid)) {
                setErrorText(devicePath + " is locked by process " + std::to_string(holder.pid) +
                             " (" + lockPath + ")");
                return SER_ERR_IN_USE;
            }
            // Left by a process that is gone (or by an earlier open of ours). One we may not
            // remove still keeps other programs away, so sharing the port past it would
            // break the agreement for them.
            if (::unlink(lockPath.c_str()) != 0 && errno != ENOENT) {
                const int error = errno;
                setErrorText(devicePath + " has a stale lock file that cannot be removed (" +
                             lockPath + ": " + std::strerror(error) + ")");
                return SER_ERR_IN_USE;
            }
        }
        int error = createLock(lockPath);
        if (error == 0) {
            path_ = lockPath;
            return SER_OK;
        }
        if (error == EEXIST) continue;  // another program took it just now: look again
        if (folderMissingOrClosed(error)) return SER_OK;
        errno = error;
        return failWithErrno(SER_ERR_SYSTEM, "lock file " + lockPath);
    }
    setErrorText(devicePath + " is being locked by another program (" + lockPath + ")");
    return SER_ERR_IN_USE;
}

void LockFile::release() {
    if (path_.empty()) return;
    if (holderOf(path_).pid == ::getpid()) ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace posixserial
