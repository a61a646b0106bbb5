#pragma once

#include <string>
#include <vector>

namespace posixserial {

// The lock file serial programs on Linux agree on: "LCK..ttyUSB0" in /run/lock (or
// /var/lock), holding the owner's process number as text. Terminal programs that never take
// an advisory lock on the device still honour it, so it is what keeps two programs from
// competing for an instrument's bytes.
class LockFile {
  public:
    LockFile() = default;
    ~LockFile() { release(); }
    LockFile(LockFile&& other) noexcept;
    LockFile& operator=(LockFile&& other) noexcept;
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    // Takes the lock for the device (a stable link counts as the device it leads to).
    // SER_ERR_IN_USE, with the lock file's name in errorText(), while a live process holds
    // it, while the lock cannot be read, or while a lock left by a process that is gone cannot
    // be removed; such a lock is removed otherwise. Where no lock folder can be written and
    // no lock is there, the port is used without a lock file: SER_OK, holding nothing.
    int acquire(const std::string& devicePath);
    // Removes the file if it is still ours.
    void release();

    const std::string& path() const { return path_; }  // empty when nothing is held

    // "LCK..ttyUSB0" for /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3.
    static std::string nameFor(const std::string& devicePath);
    // Where lock files go, best first: $VALTYP_SERIAL_LOCK_DIR when set, else /run/lock and
    // /var/lock.
    static std::vector<std::string> folders();

  private:
    std::string path_;
};

}  // namespace posixserial
