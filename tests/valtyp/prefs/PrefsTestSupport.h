#pragma once
// Real files in a temporary folder, captured store diagnostics, child processes.

#include "Serialio/ScopedProperty.h"
#include "config/Properties.h"
#include "valtyp/prefs/FilePreferences.h"
#include "valtyp/prefs/PreferencesFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QStringList fileLines(const QString& path) {
    return QString::fromLatin1(fileBytes(path)).split(u'\n', Qt::SkipEmptyParts);
}

inline Properties fileEntries(const QString& path) {
    Properties entries;
    entries.load(fileBytes(path));
    return entries;
}

// The file-backed store over one file, as a process of its own would see it.
class FileStore {
  public:
    explicit FileStore(const QString& path)
        : property_(FilePreferencesFactory::SYSTEM_PROPERTY_FILE, path.toStdString()),
          factory_(std::make_unique<FilePreferencesFactory>()) {}

    AbstractPreferences& root() { return factory_->userRoot(); }
    AbstractPreferences& node(const QString& path) { return root().node(path); }
    FilePreferencesFactory& factory() { return *factory_; }

  private:
    ScopedProperty property_;
    std::unique_ptr<FilePreferencesFactory> factory_;
};

// Runs `hook` in every flush of this process just before the rename, while alive.
class ScopedReplaceHook {
  public:
    explicit ScopedReplaceHook(std::function<void()> hook) {
        PreferencesFile::setBeforeReplaceHook(std::move(hook));
    }
    ~ScopedReplaceHook() { PreferencesFile::setBeforeReplaceHook({}); }
    ScopedReplaceHook(const ScopedReplaceHook&) = delete;
    ScopedReplaceHook& operator=(const ScopedReplaceHook&) = delete;
};

// Collects the store's log lines while alive.
class LogCapture {
  public:
    LogCapture() {
        std::lock_guard lock(mutex());
        captured().clear();
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const {
        std::lock_guard lock(mutex());
        return captured();
    }
    bool contains(const QString& text) const {
        for (const QString& line : lines()) {
            if (line.contains(text)) return true;
        }
        return false;
    }

  private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (QByteArrayView(context.category) != "valtyp.prefs") return;
        std::lock_guard lock(mutex());
        captured().append(message);
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static QStringList& captured() {
        static QStringList l;
        return l;
    }

    QtMessageHandler previous_ = nullptr;
};

// Sets an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<QByteArray>& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// Runs `body` in a forked child and answers its wait status. The child ends
// with _exit so that no test teardown of the parent runs twice.
inline int runInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
        return -1;
    }
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (const std::exception& e) {
            fprintf(stderr, "child: %s\n", e.what());
        }
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            ADD_FAILURE() << "waitpid failed";
            return -1;
        }
    }
    return status;
}

inline bool exitedWith(int status, int code) {
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}
