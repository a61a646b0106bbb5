#include "valtyp/prefs/PosixFile.h"

#include "valtyp/prefs/PreferencesErrors.h"
#include "valtyp/prefs/PreferencesLog.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace PosixFile {

namespace {

QString errnoText(int err) {
    return QString::fromStdString(std::generic_category().message(err));
}

[[noreturn]] void fail(const char* call, const QString& path, int err) {
    throw BackingStoreException(QStringLiteral("%1 %2: %3")
                                    .arg(QLatin1StringView(call), path, errnoText(err))
                                    .toStdString());
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

void writeAll(int fd, const QByteArray& bytes, const QString& path) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write", path, errno);
        }
        done += n;
    }
}

// Removes the temporary file unless it was renamed into place.
class TempFileGuard {
  public:
    explicit TempFileGuard(const QString& path) : path_(path) {}
    ~TempFileGuard() {
        if (!committed_) ::unlink(native(path_).constData());
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void commit() { committed_ = true; }

  private:
    QString path_;
    bool committed_ = false;
};

// After a rename the folder entry must reach the disk too; the new contents
// are in place already, so a failure here is only worth a warning.
void syncFolder(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    Descriptor dir(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || ::fsync(dir.get()) != 0) {
        qCWarning(prefsLog).noquote() << "fsync" << folder << ":" << errnoText(errno);
    }
}

}  // namespace

Descriptor::~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

std::optional<QByteArray> readAll(const QString& path) {
    Descriptor fd(::open(native(path).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        fail("open", path, errno);
    }
    QByteArray bytes;
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("read", path, errno);
        }
        if (n == 0) return bytes;
        bytes.append(buffer, n);
    }
}

void createFolders(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(native(folder).toStdString()), error);
    if (error) {
        throw BackingStoreException(QStringLiteral("mkdir %1: %2")
                                        .arg(folder, QString::fromStdString(error.message()))
                                        .toStdString());
    }
}

ExclusiveLock::ExclusiveLock(const QString& lockPath) {
    const QByteArray path = native(lockPath);
    // Another user's lock file may be read-only for us; flock needs no write access.
    fd_ = Descriptor(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (fd_.get() < 0 && errno == EACCES)
        fd_ = Descriptor(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd_.get() < 0) fail("open", lockPath, errno);
    while (::flock(fd_.get(), LOCK_EX) != 0) {
        if (errno != EINTR) fail("flock", lockPath, errno);
    }
}

void replaceAtomically(const QString& path, const QString& tempPath, const QByteArray& bytes,
                       const std::function<void()>& beforeReplace) {
    const QByteArray target = native(path);
    const QByteArray temp = native(tempPath);
    // A leftover of a crashed writer may belong to another user; removing it
    // needs only the folder's write permission.
    if (::unlink(temp.constData()) != 0 && errno != ENOENT) fail("unlink", tempPath, errno);
    Descriptor fd(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0) fail("open", tempPath, errno);
    TempFileGuard guard(tempPath);
    writeAll(fd.get(), bytes, tempPath);
    struct stat old {};
    if (::stat(target.constData(), &old) == 0) {
        // Keep the permissions an administrator gave the shared file.
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0) fail("fchmod", tempPath, errno);
    } else if (errno != ENOENT) {
        fail("stat", path, errno);
    } else {
        // A new file may be written by whoever may write its folder: in the shared
        // folder every user saves after the first, at home only the owner.
        struct stat folder {};
        const QByteArray folderPath = native(QFileInfo(path).absolutePath());
        if (::stat(folderPath.constData(), &folder) != 0)
            fail("stat", QFileInfo(path).absolutePath(), errno);
        const mode_t mode = 0644 | (folder.st_mode & (S_IWGRP | S_IWOTH));
        if (::fchmod(fd.get(), mode) != 0) fail("fchmod", tempPath, errno);
    }
    if (::fsync(fd.get()) != 0) fail("fsync", tempPath, errno);
    if (::close(fd.release()) != 0) fail("close", tempPath, errno);
    if (beforeReplace) beforeReplace();
    if (::rename(temp.constData(), target.constData()) != 0) fail("rename", tempPath, errno);
    guard.commit();
    syncFolder(path);
}

}  // namespace PosixFile
