#pragma once
// The few file calls the settings file needs, each checked: a failure throws
// BackingStoreException naming the call, the path and the system's text.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class FileLock;
}

namespace StoreFile {

// The whole file, or none when it does not exist.
std::optional<QByteArray> readAll(const QString& path);

// Creates the folder and its missing parents.
void createFolders(const QString& folder);

// Holds an exclusive lock on the lock file (created when missing) until
// destruction; waits while another process holds it, but not longer than
// `patience`: a save must not freeze the window behind a stuck process.
class ExclusiveLock {
  public:
    ExclusiveLock(const QString& lockPath, std::chrono::milliseconds patience);
    ~ExclusiveLock();

  private:
    std::unique_ptr<platform::FileLock> lock_;
};

// Writes `bytes` to `tempPath` (replacing a leftover), syncs it to disk with
// the access rights of the file it is to replace, calls `beforeReplace`, then
// puts it in place of `path` in one step. On any failure the temporary file is
// removed and `path` is untouched.
void replaceAtomically(const QString& path, const QString& tempPath, const QByteArray& bytes,
                       const std::function<void()>& beforeReplace);

}  // namespace StoreFile
