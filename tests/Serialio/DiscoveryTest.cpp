// Port lists, driver information and display names.
#include <stdlib.h>

#include <filesystem>

#include "Serialio/FriendlyPortUtil.h"
#include "Serialio/StablePortNames.h"
#include "SimSupport.h"

using Serialio::FriendlyPortUtil;
using Serialio::SerialPortLocal;
using Names = std::vector<std::string>;

namespace {

class DiscoveryTest : public SimTest {};

TEST_F(DiscoveryTest, WindowsListsComPortsByNumberThenTheRestInReportOrder) {
    ScopedPlatform windows("Windows 10");
    for (const char* name : {"COM10", "\\\\.\\CNCA0", "COM2", "COM1", "LPT1"})
        SimAddPort(name, "maker", "port");
    EXPECT_EQ(SerialPortLocal::getPortList(),
              (Names{"COM1", "COM2", "COM10", "\\\\.\\CNCA0", "LPT1"}));
}

TEST_F(DiscoveryTest, LinuxOrdersDeviceNamesNaturally) {
    for (const char* name : {"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0",
                             "/dev/ttyUSB10", "/dev/ttyUSB9"})
        SimAddPort(name, "maker", "port");
    EXPECT_EQ(SerialPortLocal::getPortList(),
              (Names{"/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyUSB9",
                     "/dev/ttyUSB10"}));
}

TEST_F(DiscoveryTest, NamesDifferingOnlyInCaseAreListedOnce) {
    ScopedPlatform netware("NetWare 4.11");  // no discovery: the list is built by hand
    SerialPortLocal::addPortName("com3");
    SerialPortLocal::addPortName("COM3");
    SerialPortLocal::addPortName("COM1");
    DiagnosticCapture output;
    EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"COM1", "com3"}));
    EXPECT_TRUE(output.contains("getPortList: using list created with addPortName"));
}

TEST_F(DiscoveryTest, DiscoveryReplacesNamesAddedBeforeButKeepsTheUsersList) {
    SimAddPort("/dev/ttyS0", "serial", "16550A serial port");
    SerialPortLocal::addPortName("/dev/pts/7");
    {
        // Virtual ports that discovery does not report are offered as the user named them.
        ScopedProperty list("SERIAL_PORT_LIST", "/dev/ttyV1;/tmp/bridge");
        EXPECT_EQ(SerialPortLocal::getPortList(),
                  (Names{"/dev/ttyS0", "/dev/ttyV1", "/tmp/bridge"}));
    }
    // A worker adds its configured name so a port discovery missed can still be used.
    SerialPortLocal::addPortName("/dev/pts/7");
    SerialPortLocal::addPortName("/DEV/TTYS0");
    EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"/dev/ttyS0"}));

    ScopedPlatform windows("Windows 10");  // there discovery alone decides
    SimAddPort("COM1", "", "");
    ScopedProperty list("SERIAL_PORT_LIST", "COM5;COM6");
    EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"COM1", "/dev/ttyS0"}));
}

TEST_F(DiscoveryTest, EveryListingStartsFromThePortsThereNow) {
    SimAddPort("/dev/ttyUSB0", "FTDI", "FT232R USB UART");
    SimAddPort("/dev/ttyUSB1", "Prolific", "PL2303 Serial Port");
    SerialPortLocal::getPortList();
    FriendlyPortUtil::update();
    ASSERT_EQ(FriendlyPortUtil::getFriendlyPortList().size(), 2u);

    // Both unplugged; another adapter comes up as ttyUSB0.
    SimRemovePort("/dev/ttyUSB1");
    SimRemovePort("/dev/ttyUSB0");
    SimAddPort("/dev/ttyUSB0", "Silicon Labs", "CP2102 USB to UART Bridge");
    EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"/dev/ttyUSB0"}));
    FriendlyPortUtil::update();
    EXPECT_EQ(FriendlyPortUtil::getFriendlyPortList(),
              (Names{"/dev/ttyUSB0: CP2102 USB to UART Bridge - Silicon Labs"}));
    EXPECT_EQ(FriendlyPortUtil::getFriendlyPortName("/dev/ttyUSB1"), "/dev/ttyUSB1");
    EXPECT_EQ(SerialPortLocal::getDriverInfoList().size(), 1u);
}

// A folder of links standing in for udev's /dev/serial/by-id.
class StableLinks {
  public:
    StableLinks() : property_(Serialio::StablePortNames::FOLDER_PROPERTY, folder_.string()) {
        std::filesystem::create_directories(folder_);
    }
    ~StableLinks() { std::filesystem::remove_all(folder_.parent_path()); }
    StableLinks(const StableLinks&) = delete;
    StableLinks& operator=(const StableLinks&) = delete;

    // Points the link at the device, relative as udev writes them.
    std::string link(const std::string& name, const std::string& device) {
        std::filesystem::path path = folder_ / name;
        std::filesystem::remove(path);
        std::filesystem::create_symlink("../../.." + device, path);
        return path.string();
    }

  private:
    std::filesystem::path folder_ = makeFolder();
    ScopedProperty property_;

    static std::filesystem::path makeFolder() {
        char pattern[] = "/tmp/valtyp-links-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::filesystem::path(made ? made : "/tmp/valtyp-links") / "by-id";
    }
};

TEST_F(DiscoveryTest, PortsWithAStableLinkAreListedByItAndShownByTheirKernelName) {
    using Serialio::StablePortNames;
    StableLinks links;
    const std::string ftdi =
        links.link("usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0", "/dev/ttyUSB0");
    SimAddPort("/dev/ttyS0", "serial", "16550A serial port");
    SimAddPort("/dev/ttyUSB0", "FTDI", "FT232R USB UART");
    EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"/dev/ttyS0", ftdi}));
    FriendlyPortUtil::update();
    EXPECT_EQ(FriendlyPortUtil::getFriendlyPortName(ftdi), "/dev/ttyUSB0: FT232R USB UART - FTDI");
    EXPECT_EQ(FriendlyPortUtil::getUnfriendlyPortName("/dev/ttyUSB0: FT232R USB UART - FTDI"),
              ftdi);  // what the chooser stores
    EXPECT_EQ(StablePortNames::linkFor("/dev/ttyUSB0"), ftdi);
    EXPECT_EQ(StablePortNames::kernelNameOf(ftdi), "/dev/ttyUSB0");
    EXPECT_EQ(StablePortNames::linkFor("/dev/ttyS0"), std::nullopt);
    EXPECT_EQ(StablePortNames::kernelNameOf("/dev/ttyS0"), "/dev/ttyS0");

    // Replugged after another adapter took ttyUSB0: the kernel numbers it anew, udev moves
    // the link, and the stored name finds the same adapter.
    SimRemovePort("/dev/ttyUSB0");
    SimAddPort("/dev/ttyUSB0", "Prolific", "PL2303 Serial Port");
    SimAddPort("/dev/ttyUSB1", "FTDI", "FT232R USB UART");
    links.link("usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0", "/dev/ttyUSB1");
    EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"/dev/ttyS0", "/dev/ttyUSB0", ftdi}));
    FriendlyPortUtil::update();
    EXPECT_EQ(FriendlyPortUtil::getFriendlyPortName(ftdi), "/dev/ttyUSB1: FT232R USB UART - FTDI");
    EXPECT_EQ(StablePortNames::linkFor("/dev/ttyUSB1"), ftdi);
    EXPECT_EQ(StablePortNames::linkFor("/dev/ttyUSB0"), std::nullopt);

    // The Windows family has no such links.
    ScopedPlatform windows("Windows 10");
    SimAddPort("COM3", "", "");
    EXPECT_EQ(SerialPortLocal::getPortList(),
              (Names{"COM3", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}));
}

TEST_F(DiscoveryTest, PortListPropertyFillsTheListWithoutDiscovery) {
    ScopedPlatform netware("NetWare 4.11");
    {
        ScopedProperty list("SERIAL_PORT_LIST", " COM5;COM6 ");
        EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"COM5", "COM6"}));
    }
    SerialPortLocal::reinitialize();
    {
        ScopedProperty list("SERIAL_PORT_LIST", "/dev/ttyS4: /dev/ttyS5");
        EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"/dev/ttyS4", "/dev/ttyS5"}));
    }
    SerialPortLocal::reinitialize();
    ScopedProperty shortList("SERIAL_PORT_LIST", "COM5");  // four characters: ignored
    DiagnosticCapture output;
    EXPECT_TRUE(SerialPortLocal::getPortList().empty());
    EXPECT_TRUE(
        output.contains("getPortList: port discovery not currently supported on this platform."));
    EXPECT_TRUE(output.contains("Options:"));
}

TEST_F(DiscoveryTest, DriverInformationComesInReportOrder) {
    EXPECT_EQ(ioFailure([] { SerialPortLocal::getDriverInfoList(); }),
              "Must call SerialPortLocal.getPortList method first");
    SimAddPort("/dev/ttyUSB1", "Prolific", "PL2303 Serial Port");
    SimAddPort("/dev/ttyS0", "serial", "16550A serial port");
    SerialPortLocal::getPortList();
    auto infos = SerialPortLocal::getDriverInfoList();
    ASSERT_EQ(infos.size(), 2u);
    EXPECT_EQ(infos[0].getPortName(), "/dev/ttyUSB1");
    EXPECT_EQ(infos[0].getDriverMfgr(), "Prolific");
    EXPECT_EQ(infos[0].getDriverDesc(), "PL2303 Serial Port");
    EXPECT_EQ(infos[1].getPortName(), "/dev/ttyS0");

    SerialPortLocal::addPortInfo("/DEV/TTYS0", "other", "duplicate");
    EXPECT_EQ(SerialPortLocal::getDriverInfoList().size(), 2u);
    SerialPortLocal::clearPortListInfo();
    EXPECT_TRUE(SerialPortLocal::getDriverInfoList().empty());

    ScopedPlatform windowsNt("Windows NT");
    EXPECT_EQ(ioFailure([] { SerialPortLocal::getDriverInfoList(); }),
              "Not supported on this platform");
}

TEST_F(DiscoveryTest, DisplayNamesShowDescriptionAndMaker) {
    ScopedPlatform windows("Windows 7");
    SimAddPort("COM3", "FTDI", "USB Serial Port");
    SimAddPort("COM1", "(Standard port types)", "Communications Port");
    SerialPortLocal::getPortList();
    FriendlyPortUtil::update();
    EXPECT_TRUE(FriendlyPortUtil::portInfoListIsPopulated());
    EXPECT_EQ(FriendlyPortUtil::getFriendlyPortList(),
              (Names{"COM3: USB Serial Port - FTDI",
                     "COM1: Communications Port - (Standard port types)"}));
    EXPECT_EQ(FriendlyPortUtil::getFriendlyPortName("COM3"), "COM3: USB Serial Port - FTDI");
    EXPECT_EQ(FriendlyPortUtil::getUnfriendlyPortName("COM3: USB Serial Port - FTDI"), "COM3");
    // Plain names and names without a record pass through unchanged.
    EXPECT_EQ(FriendlyPortUtil::getFriendlyPortName("COM4"), "COM4");
    EXPECT_EQ(FriendlyPortUtil::getUnfriendlyPortName("COM4"), "COM4");
}

TEST_F(DiscoveryTest, NoDriverInformationLeavesNamesAsTheyAre) {
    ScopedPlatform windowsNt("Windows NT");
    SimAddPort("COM3", "FTDI", "USB Serial Port");
    SerialPortLocal::getPortList();
    FriendlyPortUtil::update();
    EXPECT_FALSE(FriendlyPortUtil::portInfoListIsPopulated());
    EXPECT_TRUE(FriendlyPortUtil::getFriendlyPortList().empty());
    EXPECT_EQ(FriendlyPortUtil::getFriendlyPortName("COM3"), "COM3");
}

}  // namespace
