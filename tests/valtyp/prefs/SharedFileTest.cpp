// The shared file under real processes: a writer killed mid-flush, and
// writers of different nodes racing each other.

#include "PrefsTestSupport.h"
#include "QtPrinters.h"
#include "config/Config.h"
#include "valtyp/prefs/ConfigStore.h"
#include "valtyp/prefs/PreferencesErrors.h"
#include "valtyp/prefs/PreferencesFile.h"

#include <QFile>
#include <QFileInfo>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <csignal>
#include <future>

namespace {

class SharedFileTest : public ::testing::Test {
  protected:
    QString path() const { return dir_.filePath("ValtypHUB/prefs.txt"); }
    QTemporaryDir dir_;
};

// Blocks children until the parent opens the gate, so that they run together.
class StartGate {
  public:
    StartGate() { EXPECT_EQ(::pipe(fds_), 0); }
    ~StartGate() {
        for (int fd : fds_) ::close(fd);
    }
    StartGate(const StartGate&) = delete;
    StartGate& operator=(const StartGate&) = delete;

    void wait() {
        ::close(fds_[1]);
        char c;
        while (::read(fds_[0], &c, 1) < 0 && errno == EINTR) {
        }
    }
    void open() {
        ::close(fds_[1]);
        fds_[1] = -1;
    }

  private:
    int fds_[2] = {-1, -1};
};

}  // namespace

TEST_F(SharedFileTest, WriterKilledBeforeTheRenameLeavesTheOldFileIntact) {
    FileStore store(path());
    store.node("/com/belmaro/Valtyp").put("bitRate", "7");
    store.node("/com/belmaro/Valtyp").put("delay", "20");
    const QByteArray before = fileBytes(path());

    const int status = runInChild([this] {
        FileStore child(path());
        ScopedReplaceHook kill([] { ::raise(SIGKILL); });
        child.node("/com/belmaro/Valtyp").put("bitRate", "3");
        return 0;  // not reached
    });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;

    // The new contents were complete on disk but never replaced the file.
    EXPECT_EQ(fileBytes(path()), before);
    EXPECT_EQ(fileEntries(path() + ".tmp").value("com.belmaro.Valtyp.bitRate"), "3");
    EXPECT_EQ(FileStore(path()).node("/com/belmaro/Valtyp").get("bitRate"), "7");

    // The dead writer's lock went with it, and its leftover is replaced.
    store.node("/com/belmaro/Valtyp").put("parity", "2");
    EXPECT_EQ(fileEntries(path()).keys(),
              QStringList({"com.belmaro.Valtyp.bitRate", "com.belmaro.Valtyp.delay",
                           "com.belmaro.Valtyp.parity"}));
    EXPECT_FALSE(QFileInfo::exists(path() + ".tmp"));
}

TEST_F(SharedFileTest, ASecondUserSavesIntoTheFileTheFirstUserCreated) {
    if (::geteuid() != 0) GTEST_SKIP() << "two users need root to become them";
    // The shared folder as the machine's set-up makes it: every user writes, no sticky bit.
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
    const QString folder = QFileInfo(path()).absolutePath();
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    auto saveAs = [this](uid_t user, const char* delay) {
        return runInChild([&] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0)
                return 2;
            ::umask(022);
            FileStore store(path());
            Config config;
            config.setDelay(delay);
            return ConfigStore::saveConfig(config, store.node(ConfigStore::nodePath)) ? 0 : 1;
        });
    };
    constexpr uid_t first = 65534, second = 4242;
    const int created = saveAs(first, "35");
    ASSERT_TRUE(exitedWith(created, 0)) << created;
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &info), 0);
    EXPECT_EQ(info.st_uid, first);
    EXPECT_EQ(info.st_mode & 0777, 0666u);  // whatever the first user's umask

    const int saved = saveAs(second, "40");
    EXPECT_TRUE(exitedWith(saved, 0)) << saved;
    EXPECT_EQ(fileEntries(path()).value("com.belmaro.Valtyp.delay"), "40");
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666u);  // and so for the next user
}

TEST_F(SharedFileTest, ProcessesFlushingDifferentNodesLoseNothing) {
    constexpr int processes = 3;
    constexpr int nodesPerProcess = 100;
    // Every node is written once, so an entry lost to a racing writer would
    // never come back by a later flush of its own node.
    StartGate gate;
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            gate.wait();
            int code = 0;
            try {
                FileStore store(path());
                for (int n = 0; n < nodesPerProcess; ++n) {
                    AbstractPreferences& node =
                        store.node(QStringLiteral("/station%1/n%2").arg(p).arg(n));
                    node.put("v", QString::number(n * 10 + p));  // flushes at once
                }
            } catch (const std::exception& e) {
                fprintf(stderr, "child %d: %s\n", p, e.what());
                code = 1;
            }
            ::_exit(code);
        }
        children.push_back(pid);
    }
    gate.open();
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(exitedWith(status, 0)) << "status " << status;
    }

    const Properties entries = fileEntries(path());
    EXPECT_EQ(entries.size(), processes * nodesPerProcess);
    for (int p = 0; p < processes; ++p) {
        for (int n = 0; n < nodesPerProcess; ++n) {
            const QString key = QStringLiteral("station%1.n%2.v").arg(p).arg(n);
            EXPECT_EQ(entries.value(key), QString::number(n * 10 + p)) << key.toStdString();
        }
    }
}

TEST_F(SharedFileTest, ALockHeldElsewhereEndsTheSaveInsteadOfFreezingIt) {
    FileStore store(path());
    store.node("/com/belmaro/Valtyp").put("bitRate", "7");
    const QByteArray before = fileBytes(path());
    // Another process's lock: an open file description of its own on the lock file.
    const int other = ::open(QFile::encodeName(path() + ".lock").constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    auto save = std::async(std::launch::async, [this]() -> std::string {
        try {
            PreferencesFile(path()).update([](Properties& e) { e.setProperty("bitRate", "3"); },
                                           {});
        } catch (const BackingStoreException& e) {
            return e.what();
        }
        return "saved";
    });
    const bool ended = save.wait_for(std::chrono::seconds(8)) == std::future_status::ready;
    ::close(other);  // lets a save that still waits finish
    ASSERT_TRUE(ended) << "the save waited for the lock for 8 s";
    EXPECT_THAT(save.get(), ::testing::HasSubstr("held by another process for more than 2 s"));
    EXPECT_EQ(fileBytes(path()), before);
}
