#include "valtyp/prefs/PreferencesFile.h"

#include "valtyp/prefs/PreferencesLog.h"
#include "valtyp/prefs/StoreFile.h"

#include <QBuffer>
#include <QFileInfo>

#include <stdexcept>

namespace {

constexpr std::chrono::seconds kLockPatience{2};

std::function<void()>& beforeReplaceHook() {
    static std::function<void()> hook;
    return hook;
}

QByteArray storedBytes(const Properties& entries, const QString& comment) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    entries.store(buffer, comment);
    return bytes;
}

}  // namespace

PreferencesFile::PreferencesFile(QString path) : path_(std::move(path)) {}

bool PreferencesFile::exists() const {
    return QFileInfo::exists(path_);
}

void PreferencesFile::setBeforeReplaceHook(std::function<void()> hook) {
    beforeReplaceHook() = std::move(hook);
}

Properties PreferencesFile::read() {
    std::lock_guard lock(mutex_);
    Properties entries;
    try {
        if (const auto bytes = StoreFile::readAll(path_)) {
            for (const QString& why : entries.loadLenient(*bytes))
                qCWarning(prefsLog).noquote() << "The settings file" << path_ << "skips" << why;
        }
    } catch (const std::exception& e) {
        qCWarning(prefsLog).noquote()
            << "Unable to read the settings file, reading it as empty:" << e.what();
        return Properties();
    }
    return entries;
}

void PreferencesFile::update(const std::function<void(Properties&)>& change,
                             const QString& comment) {
    std::lock_guard lock(mutex_);
    StoreFile::createFolders(QFileInfo(path_).absolutePath());
    // Another process holding the lock longer fails this save rather than freezing the window.
    StoreFile::ExclusiveLock fileLock(path_ + QStringLiteral(".lock"), kLockPatience);
    Properties entries;
    if (const auto bytes = StoreFile::readAll(path_)) {
        const QStringList skipped = entries.loadLenient(*bytes);
        if (!skipped.isEmpty()) {
            // Other users' settings live in the same file: keep every entry that reads, and
            // the whole old file for a human, since the unreadable lines are dropped now.
            const QString copy = path_ + QStringLiteral(".damaged");
            qCWarning(prefsLog).noquote()
                << "The settings file" << path_ << "is damaged ("
                << skipped.join(QStringLiteral("; ")) << "); it is kept as" << copy
                << "and written anew without those lines";
            StoreFile::replaceAtomically(copy, copy + QStringLiteral(".tmp"), *bytes, {});
        }
    }
    change(entries);
    StoreFile::replaceAtomically(path_, path_ + QStringLiteral(".tmp"),
                                 storedBytes(entries, comment), beforeReplaceHook());
}
