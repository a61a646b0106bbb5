// Port lists, driver information and display names.
#include "Serialio/FriendlyPortUtil.h"
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

TEST_F(DiscoveryTest, DiscoveryReplacesNamesAddedBefore) {
    SimAddPort("/dev/ttyS0", "serial", "16550A serial port");
    SerialPortLocal::addPortName("/dev/pts/7");
    ScopedProperty list("SERIAL_PORT_LIST", "/dev/ttyX1;/dev/ttyX2");
    EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"/dev/ttyS0"}));
    // A worker adds its configured name so a port discovery missed can still be used.
    SerialPortLocal::addPortName("/dev/pts/7");
    SerialPortLocal::addPortName("/DEV/TTYS0");
    EXPECT_EQ(SerialPortLocal::getPortList(), (Names{"/dev/ttyS0"}));
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
