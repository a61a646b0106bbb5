// The library-wide side: platform rows, loading the driver, tasks and device changes.
#include <atomic>
#include <chrono>
#include <thread>

#include "Serialio/FlowControlTask.h"
#include "Serialio/NativeLibrary.h"
#include "Serialio/Platform.h"
#include "Serialio/SerialServerTask.h"
#include "SimSupport.h"

using Serialio::Platform;
using Serialio::SerialPortLocal;

namespace {

TEST(PlatformTable, WindowsRowsChooseLibraryAndFeatures) {
    Platform full = Platform::select("Windows 10", "amd64");
    EXPECT_EQ(full.nativeLibName, "jspWin");
    EXPECT_TRUE(full.osFamilyWindows);
    EXPECT_EQ(full.maxBitRate, 921600);
    EXPECT_TRUE(full.features.supDriverInfo);
    EXPECT_TRUE(full.features.supSigCTS && full.features.supParityMarkSpace);
    EXPECT_FALSE(full.features.emulatedGetDataTimeout);
    EXPECT_EQ(full.devName, "COM1");

    Platform plain = Platform::select("Windows Server 2012 R2", "amd64");
    EXPECT_EQ(plain.maxBitRate, 115200);
    EXPECT_FALSE(plain.features.supDriverInfo);
    EXPECT_TRUE(plain.features.supGetPortList);

    Platform bare = Platform::select("Windows 2008", "x86");
    EXPECT_EQ(bare.nativeLibName, "jspWin");
    EXPECT_FALSE(bare.features.supSetDTR || bare.features.supGetPortList);
    EXPECT_TRUE(bare.features.supSendBreak);

    EXPECT_EQ(Platform::select("Windows XP", "x86", "1.0.2").nativeLibName, "jspWinNm");
    EXPECT_EQ(Platform::select("Windows CE", "ARMv4").nativeLibName, "jspWceArm");
    EXPECT_EQ(Platform::select("WindowsCE", "x86").nativeLibName, "jspWceX86");
    EXPECT_EQ(Platform::select("Windows CE", "SH4").nativeLibName, "jspWceSh4");
}

TEST(PlatformTable, OtherFamilies) {
    Platform os2 = Platform::select("OS/2", "x86");
    EXPECT_EQ(os2.nativeLibName, "jspos2j");
    EXPECT_TRUE(os2.features.supNoIndexBitRate);

    Platform netware = Platform::select("Novell NetWare 5", "x86");
    EXPECT_EQ(netware.nativeLibName, "JspNw");
    EXPECT_FALSE(netware.features.supGetPortList);
    EXPECT_TRUE(netware.features.emulatedGetDataTimeout);
    EXPECT_TRUE(netware.features.supSetDTR);

    Platform linux = Platform::select("Linux", "x86_64");
    EXPECT_EQ(linux.nativeLibName, "valtypserial-posix");
    EXPECT_EQ(linux.devName, "/dev/ttyS0");
    EXPECT_EQ(linux.maxBitRate, 921600);
    EXPECT_TRUE(linux.features.supDriverInfo && linux.features.supGetPortList);
    EXPECT_FALSE(linux.features.emulatedGetDataTimeout || linux.features.supNoIndexBitRate);
    EXPECT_FALSE(linux.osFamilyWindows);

    EXPECT_EQ(Platform::select("Mac OS X", "ppc").maxBitRate, 230400);
    EXPECT_TRUE(Platform::select("Mac OS X", "ppc").features.emulatedGetDataTimeout);
    EXPECT_EQ(Platform::select("SunOS", "sparc").devName, "/dev/ttya");
    EXPECT_FALSE(Platform::select("Plan 9", "386").nativeLibName.has_value());
}

TEST(NativeLibrary, ReportsMissingAndUnsuitableLibraries) {
    Serialio::NativeLibrary library;
    auto missing = library.load("valtypserial-nothing");
    ASSERT_TRUE(missing.has_value());
    EXPECT_NE(missing->find("libvaltypserial-nothing.so"), std::string::npos) << *missing;
    EXPECT_FALSE(library.loaded());

    // A real shared library that is no serial driver.
    auto unsuitable = library.loadFile("libudev.so.1");
    ASSERT_TRUE(unsuitable.has_value());
    EXPECT_NE(unsuitable->find("SerGetDriver"), std::string::npos) << *unsuitable;

    EXPECT_FALSE(library.load(SIM_LIBRARY_NAME).has_value());
    ASSERT_TRUE(library.loaded());
    EXPECT_EQ(library.driver()->abiVersion, SER_DRIVER_ABI);
}

class LibraryTest : public SimTest {};

TEST_F(LibraryTest, StartUpPrintsBannersAndWhatItLoaded) {
    DiagnosticCapture output;
    SerialPortLocal::reinitialize();
    EXPECT_TRUE(output.contains("Serialio Library: version 10.2.3: build 9233"));
    EXPECT_TRUE(output.contains(SerialPortLocal::banner2));
    EXPECT_NE(output.text().find("\"Linux\""), std::string::npos);
    EXPECT_TRUE(output.contains("SerialPort class loaded: valtypserial-sim"));
    EXPECT_TRUE(SerialPortLocal::isLibraryLoaded());
    EXPECT_EQ(SerialPortLocal::getOsName(), "Linux");
    EXPECT_EQ(SerialPortLocal::getBuildNum(), 9233);
}

TEST_F(LibraryTest, AMissingLibraryLeavesTheClassUsableButNativeCallsFail) {
    SerialPortLocal::setNativeLibName("valtypserial-missing");
    {
        DiagnosticCapture output;
        SerialPortLocal::reinitialize();
        EXPECT_NE(output.text().find(": Check that native library valtypserial-missing is in "
                                     "proper directory"),
                  std::string::npos)
            << output.text();
        EXPECT_FALSE(SerialPortLocal::isLibraryLoaded());

        SerialPortLocal port;  // tries once more
        EXPECT_TRUE(output.contains("SerialPortLocal: Attempt to load: valtypserial-missing"));
        EXPECT_EQ(ioFailure([&] { port.open(); }),
                  "Native library valtypserial-missing is not loaded");
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(ioFailure([] { SerialPortLocal::getPortList(); }),
                  "Native library valtypserial-missing is not loaded");
    }
    SerialPortLocal::setNativeLibName(SIM_LIBRARY_NAME);
    SerialPortLocal::reinitialize();
    EXPECT_TRUE(SerialPortLocal::isLibraryLoaded());
}

TEST_F(LibraryTest, UnknownSystemsAreNotSupported) {
    SerialPortLocal::setNativeLibName("");
    {
        DiagnosticCapture output;
        ScopedPlatform plan9("Plan 9", "386");
        EXPECT_TRUE(
            output.contains("Platform not supported, check VM properties os.name & os.arch"));
        EXPECT_FALSE(SerialPortLocal::isLibraryLoaded());
        SerialPortLocal::setNativeLibName(SIM_LIBRARY_NAME);
    }
    EXPECT_TRUE(SerialPortLocal::isLibraryLoaded());
}

TEST_F(LibraryTest, SystemPropertiesOverrideOnlyAsAPair) {
    ScopedProperty name("JSP_OSNAME", "Windows XP");
    SerialPortLocal::reinitialize();
    EXPECT_EQ(SerialPortLocal::getOsName(), "Linux");  // JSP_OSARCH missing
    {
        ScopedProperty arch("JSP_OSARCH", "x86");
        SerialPortLocal::reinitialize();
        EXPECT_EQ(SerialPortLocal::getOsName(), "Windows XP");
        EXPECT_EQ(SerialPortLocal::getOsArch(), "x86");
    }
    SerialPortLocal::reinitialize();
}

TEST_F(LibraryTest, ReinitializeIsRefusedWhilePortsAreOpen) {
    SimAddPort("COM1", "", "");
    SerialPortLocal port(settings("COM1"));
    EXPECT_THROW(SerialPortLocal::reinitialize(), std::logic_error);
}

TEST_F(LibraryTest, FlowTaskRunsOnlyOnWindows95WithHardwareHandshake) {
    ScopedPlatform windows95("Windows 95");
    SimAddPort("COM1", "", "");
    Serialio::SerialConfig config = settings("COM1");
    config.setHandshake(Serialio::SerialConfig::HS_CTSRTS);
    CallLog log;
    DiagnosticCapture output;
    {
        SerialPortLocal port(config);
        EXPECT_TRUE(output.contains("FlowControlTask created"));
        EXPECT_TRUE(port.getConfig().getHardFlow());
        for (int i = 0; i < 200 && log.count("SerFlowTask") == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_GT(log.count("SerFlowTask"), 0);
    }  // close aborts the task

    config.setHandshake(Serialio::SerialConfig::HS_NONE);
    DiagnosticCapture quiet;
    SerialPortLocal port(config);
    EXPECT_FALSE(quiet.contains("FlowControlTask created"));
}

TEST_F(LibraryTest, FlowTaskRaisesItsPriorityAndStopsWhenAborted) {
    SimAddPort("COM1", "", "");
    SerialPortLocal port(settings("COM1"));
    DiagnosticCapture quiet;
    Serialio::FlowControlTask task(port);
    EXPECT_EQ(task.getFlowPriority(), 5);
    CallLog log;
    task.start();
    for (int i = 0; i < 200 && log.count("SerFlowTask") < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(task.getFlowPriority(), 6);
    task.setFlowPriority(42);
    EXPECT_EQ(task.getFlowPriority(), 10);
    task.abort();
}

struct RecordingHandler : Serialio::ErrorStatusHandler {
    std::string text;
    void errorStatus(const std::string& t) override { text = t; }
};

TEST_F(LibraryTest, ServerTaskRunsOnEpocAndKeepsItsFailure) {
    SimAddPort("COMM::0", "", "");
    SimSetResult("SerServerTask", 7);
    ScopedPlatform epoc("EPOC", "ARM");
    CallLog log;
    {
        SerialPortLocal port(settings("COMM::0"));
        EXPECT_TRUE(port.isOpen());
    }
    EXPECT_EQ(log.count("SerServerTask"), 1);

    SerialPortLocal port(settings("COMM::0"));
    auto handler = std::make_shared<RecordingHandler>();
    Serialio::SerialServerTask task(port);
    task.setErrorStatusHandler(handler);
    task.start();
    for (int i = 0; i < 200 && task.getErrorMessage().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(task.getErrorMessage(), "SerServerTask failed: 7");
    EXPECT_EQ(task.getPriority(), 6);
}

struct CountingCallback : Serialio::DeviceNotificationCallback {
    std::atomic<int> calls{0};
    void deviceNotification() override { ++calls; }
};

TEST_F(LibraryTest, DeviceChangesReachTheRegisteredCallbackOnly) {
    auto first = std::make_shared<CountingCallback>();
    auto second = std::make_shared<CountingCallback>();
    DiagnosticCapture output;
    SerialPortLocal::registerDeviceNotification(first);
    SimNotifyDeviceChange();
    EXPECT_EQ(first->calls, 1);
    EXPECT_TRUE(output.contains("Serialio.deviceNotification"));

    SerialPortLocal::registerDeviceNotification(second);
    SimNotifyDeviceChange();
    EXPECT_EQ(first->calls, 1);
    EXPECT_EQ(second->calls, 1);

    SerialPortLocal::unregisterDeviceNotification();
    SimNotifyDeviceChange();
    EXPECT_EQ(second->calls, 1);
}

}  // namespace
