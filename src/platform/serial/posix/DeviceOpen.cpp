#include "platform/serial/posix/DeviceOpen.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/posix/ErrorText.h"

namespace posixserial {

namespace {

std::string groupName(gid_t gid) {
    long hint = sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 4096);
    group entry{};
    group* found = nullptr;
    while (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE)
        buffer.resize(buffer.size() * 2);
    return found ? std::string(found->gr_name) : std::to_string(gid);
}

}  // namespace

std::string devicePath(const SerPortConfig& config) {
    std::string name = config.portName ? config.portName : "";
    if (name.empty() && config.baseName && *config.baseName && config.port > 0)
        name = config.baseName + std::to_string(config.port - 1);
    if (!name.empty() && name.front() != '/') name = "/dev/" + name;
    return name;
}

int openResultFor(int error) {
    switch (error) {
        case ENOENT:
            return SER_ERR_NO_FILE;
        case ENODEV:
        case ENXIO:
            return SER_ERR_NO_DEVICE;
        case EACCES:
        case EPERM:
        case EROFS:
            return SER_ERR_PERMISSION;
        case EBUSY:  // another program holds the device in exclusive mode
            return SER_ERR_IN_USE;
        case EAGAIN:
            return SER_ERR_BUSY;
        case ENOTDIR:
        case EISDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL:
            return SER_ERR_NOT_VALID;
        default:
            return SER_ERR_SYSTEM;
    }
}

std::string permissionAdvice(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return {};
    constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
    if ((info.st_mode & kGroupReadWrite) != kGroupReadWrite || info.st_gid == 0) return {};
    // Already a member (say, added without logging in again): joining again changes nothing.
    if (getegid() == info.st_gid) return {};
    int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<size_t>(count) : 0);
    count = getgroups(static_cast<int>(groups.size()), groups.data());
    for (int i = 0; i < count; ++i)
        if (groups[static_cast<size_t>(i)] == info.st_gid) return {};
    std::string group = groupName(info.st_gid);
    return "add your user to the group " + group + ": sudo usermod -aG " + group +
           " $USER, then log in again";
}

bool isPseudoTerminal(dev_t device) {
    // Unix98 pseudo-terminal ports have majors 136 to 143, the old BSD ones major 3.
    unsigned int number = major(device);
    return (number >= 136 && number <= 143) || number == 3;
}

int openDevice(const std::string& path, bool exclusive, FileDescriptor& device) {
    if (path.empty()) {
        setErrorText("no device name given");
        return SER_ERR_NOT_VALID;
    }
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        int error = errno;
        int result = openResultFor(error);
        setErrorText(result == SER_ERR_PERMISSION ? permissionAdvice(path)
                                                  : "open " + path + ": " + std::strerror(error));
        return result;
    }
    if (!isatty(fd.get())) {
        setErrorText(path + " is not a serial device: " + std::strerror(errno));
        return SER_ERR_NOT_VALID;
    }
    if (exclusive) {
        // flock keeps out every other open, root's too; TIOCEXCL also keeps out programs that
        // do not use flock.
        if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK) return failWithErrno(SER_ERR_SYSTEM, "flock " + path);
            setErrorText(path + " is held by another open");
            return SER_ERR_IN_USE;
        }
        if (ioctl(fd.get(), TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL)
            return failWithErrno(SER_ERR_SYSTEM, "ioctl TIOCEXCL " + path);
    }
    device = std::move(fd);
    return SER_OK;
}

}  // namespace posixserial
