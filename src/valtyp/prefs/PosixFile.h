#pragma once
// The few file system calls the settings file needs, each checked: a failure
// throws BackingStoreException naming the call, the path and the errno text.

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace PosixFile {

// An open descriptor, closed on destruction.
class Descriptor {
  public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_ = -1;
};

// The whole file, or none when it does not exist.
std::optional<QByteArray> readAll(const QString& path);

// Creates the folder and its missing parents.
void createFolders(const QString& folder);

// Holds an exclusive flock on the lock file (created when missing) until
// destruction; waits while another process holds it.
class ExclusiveLock {
  public:
    explicit ExclusiveLock(const QString& lockPath);

  private:
    Descriptor fd_;
};

// Writes `bytes` to `tempPath` (replacing a leftover), syncs it to disk with
// the mode of the file it is to replace (a new file: readable by all, writable
// by whoever may write its folder), calls `beforeReplace`, then renames
// it over `path`. On any failure the temporary file is removed and `path` is
// untouched.
void replaceAtomically(const QString& path, const QString& tempPath, const QByteArray& bytes,
                       const std::function<void()>& beforeReplace);

}  // namespace PosixFile
