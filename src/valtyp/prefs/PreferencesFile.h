#pragma once
// The one properties file behind the file-backed store, shared by every node
// of the process and by other processes (users) on the machine.
//
// Readers never lock: a writer replaces the file with a fully written copy by
// renaming, so a reader sees either the old or the new file. Writers take an
// exclusive flock on a sibling "<file>.lock" while they read, change and
// replace the file, so processes flushing different nodes never drop each
// other's entries.

#include "config/Properties.h"

#include <QString>

#include <functional>
#include <mutex>

class PreferencesFile {
  public:
    explicit PreferencesFile(QString path);

    const QString& path() const { return path_; }
    bool exists() const;

    // The file's entries; a missing or unreadable file gives none (the latter
    // with a logged warning), a damaged line is skipped with a warning.
    Properties read();

    // Reads the entries, lets `change` edit them and writes them back under
    // the comment, all under the lock. Missing folders are created. Lines that
    // cannot be read are dropped, the old file kept as "<file>.damaged". Throws
    // BackingStoreException, leaving the old file as it was, when the file
    // exists but cannot be read, or when writing fails.
    void update(const std::function<void(Properties&)>& change, const QString& comment);

    // Called once the new contents are on disk, just before they replace the
    // old file; tests stop the process there.
    static void setBeforeReplaceHook(std::function<void()> hook);

  private:
    const QString path_;
    std::mutex mutex_;  // one writer or reader of this process at a time
};
