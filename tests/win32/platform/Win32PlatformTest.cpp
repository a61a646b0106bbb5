// The platform layer's Windows side on real files, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stop_token>
#include <string>
#include <thread>

#include "Serialio/NativeLibrary.h"
#include "Serialio/SystemProperties.h"
#include "platform/Files.h"
#include "platform/StopPause.h"
#include "platform/System.h"

namespace {

using Clock = std::chrono::steady_clock;

class Win32PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("valtyp-platform-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string file(const char* name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

TEST_F(Win32PlatformTest, ALockHeldElsewhereEndsTheWaitAfterThePatience) {
    const std::string lock = file("prefs.txt.lock");
    auto held = std::make_unique<platform::FileLock>(lock, std::chrono::seconds(2));
    // A second handle of its own, as another process has.
    const auto start = Clock::now();
    try {
        platform::FileLock second(lock, std::chrono::milliseconds(300));
        FAIL() << "took a lock that is held";
    } catch (const platform::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("held by another process for more than 300 ms"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
    held.reset();
    EXPECT_NO_THROW(platform::FileLock(lock, std::chrono::milliseconds(300)));
}

TEST_F(Win32PlatformTest, ReplacingAFileIsAllOrNothing) {
    const std::string path = file("prefs.txt"), temp = file("prefs.txt.tmp");
    EXPECT_FALSE(platform::readWholeFile(path));
    platform::replaceFile(path, temp, "first\r\n", {}, {});
    platform::replaceFile(path, temp, std::string("second\0\xff", 8), {}, {});
    EXPECT_EQ(platform::readWholeFile(path), std::string("second\0\xff", 8));
    // A writer that fails before the move leaves the old contents and no leftover.
    EXPECT_THROW(
        platform::replaceFile(path, temp, "third", [] { throw platform::FileError("x"); }, {}),
        platform::FileError);
    EXPECT_EQ(platform::readWholeFile(path), std::string("second\0\xff", 8));
    EXPECT_FALSE(std::filesystem::exists(temp));
}

TEST_F(Win32PlatformTest, AnAppendFileGrowsAtItsEnd) {
    const std::string path = file("readings.csv");
    platform::AppendFile log;
    EXPECT_FALSE(log.open(file("missing\\readings.csv")));
    EXPECT_TRUE(log.notFound()) << log.error();
    ASSERT_TRUE(log.open(path)) << log.error();
    EXPECT_EQ(log.size(), 0);
    ASSERT_TRUE(log.write("a,b\r\n", 5));
    ASSERT_TRUE(log.sync()) << log.error();
    log.close();
    ASSERT_TRUE(log.open(path));
    ASSERT_TRUE(log.write("c", 1));
    EXPECT_EQ(log.size(), 6);
    EXPECT_EQ(log.byteAt(4), '\n');
    EXPECT_EQ(log.byteAt(5), 'c');
    log.close();
    EXPECT_EQ(platform::readWholeFile(path), "a,b\r\nc");
}

TEST_F(Win32PlatformTest, TheSystemIsNamedAsThePlatformTableKnowsIt) {
    std::string why;
    auto names = platform::systemNames(&why);
    ASSERT_TRUE(names) << why;
    EXPECT_EQ(names->osName.rfind("Windows", 0), 0u) << names->osName;
    EXPECT_EQ(names->osArch, "amd64");
    EXPECT_EQ(Serialio::SystemProperties::get("os.name"), names->osName);
    // The driver is looked for beside the program first.
    const std::string folder = platform::programFolder(&why);
    ASSERT_FALSE(folder.empty()) << why;
    EXPECT_EQ(Serialio::NativeLibrary::searchList("jspWin").front(), folder + "\\jspWin.dll");
    Serialio::NativeLibrary library;
    EXPECT_FALSE(library.load("jspWin"));
    std::optional<std::string> problem = library.load("no-such-driver");
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("no-such-driver.dll"), std::string::npos) << *problem;
}

TEST_F(Win32PlatformTest, AStopEndsAPauseAndAWakeCanBeCleared) {
    std::stop_source stop;
    platform::StopPause pause(stop.get_token());
    pause.wake();
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(pause.wakeHandle()), 0), WAIT_OBJECT_0);
    pause.clearWakeUps();
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(pause.wakeHandle()), 0), WAIT_TIMEOUT);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.request_stop();
    });
    const auto start = Clock::now();
    EXPECT_TRUE(pause.pause(std::chrono::seconds(20)));
    stopper.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5)) << "the stop, not the time, ended it";
}

}  // namespace
