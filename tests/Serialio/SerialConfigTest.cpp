#include "Serialio/SerialConfig.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ScopedProperty.h"

using Serialio::SerialConfig;

namespace {

std::vector<char> chars(const std::string& s) {
    return {s.begin(), s.end()};
}

// Runs a setter and returns the message of the invalid_argument it throws.
template <typename F>
std::string failureOf(F&& setter) {
    try {
        setter();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "no failure";
}

}  // namespace

TEST(SerialConfig, ConstructorsFillDefaultsAndNames) {
    ScopedProperty os("os.name", "Linux");
    SerialConfig plain;
    SerialConfig named("/dev/ttyUSB0");
    SerialConfig numbered(3);

    for (const SerialConfig* c : {&plain, &named, &numbered}) {
        EXPECT_EQ(c->getTxLen(), 4096);
        EXPECT_EQ(c->getRxLen(), 4096);
        EXPECT_EQ(c->getBitRate(), SerialConfig::BR_9600);
        EXPECT_EQ(c->getDataBits(), SerialConfig::LN_8BITS);
        EXPECT_EQ(c->getParity(), SerialConfig::PY_NONE);
        EXPECT_EQ(c->getStopBits(), SerialConfig::ST_1BITS);
        EXPECT_EQ(c->getHandshake(), SerialConfig::HS_NONE);
        EXPECT_TRUE(c->getHardFlow());
        EXPECT_FALSE(c->getDisableActiveLink());
        EXPECT_EQ(c->getOsName(), "Linux");
    }
    EXPECT_EQ(plain.getPortNameString(), "COM1");
    EXPECT_EQ(plain.getPortName(), chars("COM1"));
    EXPECT_EQ(plain.getBaseName(), chars("/dev/ttyS"));
    EXPECT_EQ(plain.getPort(), 0);

    EXPECT_EQ(named.getPortNameString(), "/dev/ttyUSB0");
    EXPECT_EQ(named.getPortName(), chars("/dev/ttyUSB0"));
    EXPECT_TRUE(named.getBaseName().empty());
    EXPECT_EQ(named.getPort(), 0);

    EXPECT_EQ(numbered.getPort(), 3);
    EXPECT_EQ(numbered.getBaseName(), chars("/dev/ttyS"));
}

TEST(SerialConfig, ConstantsMatchTheOptionTableOrder) {
    EXPECT_EQ(SerialConfig::BR_110, 0);
    EXPECT_EQ(SerialConfig::BR_921600, 14);
    EXPECT_EQ(SerialConfig::bitRateNumbers[SerialConfig::BR_9600], 9600);
    EXPECT_EQ(SerialConfig::bitRateNumbers[SerialConfig::BR_57600], 57600);
    EXPECT_EQ(SerialConfig::LN_8BITS, 3);
    EXPECT_EQ(SerialConfig::ST_2BITS, 1);
    EXPECT_EQ(SerialConfig::PY_SPACE, 4);
    EXPECT_EQ(SerialConfig::parityNames[SerialConfig::PY_MARK], "MARK");
    EXPECT_EQ(SerialConfig::HS_CTSDTR, SerialConfig::HS_DSRDTR);
    EXPECT_EQ(SerialConfig::handshakeNames[SerialConfig::HS_XONXOFF], "XON-XOFF");
    EXPECT_EQ(SerialConfig::HS_SPLIT_MASK, 0xF0);
}

TEST(SerialConfig, BitRateIsAnIndexOrALiteralRate) {
    SerialConfig c("ttyS1");
    c.setBitRate(9600);
    EXPECT_EQ(c.getBitRateNumber(), 9600);
    c.setBitRate(SerialConfig::BR_9600);
    EXPECT_EQ(c.getBitRateNumber(), 9600);
    c.setBitRate(0);
    EXPECT_EQ(c.getBitRateNumber(), 110);
    c.setBitRate(31);
    EXPECT_EQ(c.getBitRateNumber(), 31);
    c.setBitRate(921600);
    EXPECT_EQ(c.getBitRateNumber(), 921600);
    // Accepted, though no table entry holds them: they read as themselves, so the record
    // can always be shown.
    for (int reserved : {15, 20, 30}) {
        c.setBitRate(reserved);
        EXPECT_EQ(c.getBitRateNumber(), reserved);
        EXPECT_EQ(c.getSettingsString(), std::to_string(reserved) + " / NONE / 8 / 1 / NONE");
    }

    EXPECT_EQ(SerialConfig::getBitRateIndex(110), 0);
    EXPECT_EQ(SerialConfig::getBitRateIndex(115200), 11);
    EXPECT_EQ(SerialConfig::getBitRateIndex(921600), 14);
    EXPECT_EQ(SerialConfig::getBitRateIndex(7), -1);
    EXPECT_EQ(SerialConfig::getBitRateIndex(14400), -1);
    EXPECT_TRUE(SerialConfig::validBitRateIndex(0));
    EXPECT_TRUE(SerialConfig::validBitRateIndex(14));
    EXPECT_FALSE(SerialConfig::validBitRateIndex(15));
    EXPECT_FALSE(SerialConfig::validBitRateIndex(-1));
}

TEST(SerialConfig, SettersRefuseBadValuesAndKeepTheOldOne) {
    SerialConfig c("ttyS1");
    c.setBitRate(SerialConfig::BR_19200);
    EXPECT_EQ(failureOf([&] { c.setBitRate(921601); }), "Invalid Serial Port Bit Rate");
    EXPECT_EQ(failureOf([&] { c.setBitRate(-1); }), "Invalid Serial Port Bit Rate");
    EXPECT_EQ(c.getBitRate(), SerialConfig::BR_19200);

    c.setDataBits(SerialConfig::LN_7BITS);
    EXPECT_EQ(failureOf([&] { c.setDataBits(4); }), "Invalid Serial Port Data Bits");
    EXPECT_EQ(failureOf([&] { c.setDataBits(-1); }), "Invalid Serial Port Data Bits");
    EXPECT_EQ(c.getDataBits(), SerialConfig::LN_7BITS);

    c.setStopBits(SerialConfig::ST_2BITS);
    EXPECT_EQ(failureOf([&] { c.setStopBits(2); }), "Invalid Serial Port Stop Bits");
    EXPECT_EQ(c.getStopBits(), SerialConfig::ST_2BITS);

    c.setParity(SerialConfig::PY_SPACE);
    EXPECT_EQ(failureOf([&] { c.setParity(5); }), "Invalid Serial Port Parity");
    EXPECT_EQ(failureOf([&] { c.setParity(-1); }), "Invalid Serial Port Parity");
    EXPECT_EQ(c.getParity(), SerialConfig::PY_SPACE);
}

TEST(SerialConfig, HandshakeTakesPlainCodesOrSplitFlags) {
    ScopedProperty os("os.name", "Linux");
    SerialConfig c("ttyS1");
    c.setHandshake(SerialConfig::HS_HARD_IN | SerialConfig::HS_HARD_OUT);
    EXPECT_EQ(c.getHandshake(), 0x30);
    c.setHandshake(SerialConfig::HS_XONXOFF);
    EXPECT_EQ(failureOf([&] { c.setHandshake(4); }), "Invalid Serial Port Handshake");
    EXPECT_EQ(failureOf([&] { c.setHandshake(0xF1); }), "Invalid Serial Port Handshake");
    EXPECT_EQ(failureOf([&] { c.setHandshake(-1); }), "Invalid Serial Port Handshake");
    EXPECT_EQ(failureOf([&] { c.setHandshake(SerialConfig::HS_DSRDTR); }),
              "DSRDTR handshaking not available on this platform");
    EXPECT_EQ(c.getHandshake(), SerialConfig::HS_XONXOFF);
}

TEST(SerialConfig, DsrDtrHandshakeOnlyOnSystemsThatHaveIt) {
    for (const char* name : {"Windows XP", "Windows 7", "Windows NT (unknown)", "OS/2"}) {
        ScopedProperty os("os.name", name);
        SerialConfig c("COM1");
        c.setHandshake(SerialConfig::HS_DSRDTR);
        EXPECT_EQ(c.getHandshake(), SerialConfig::HS_DSRDTR) << name;
    }
    for (const char* name : {"Windows 10", "Windows", "Mac OS X"}) {
        ScopedProperty os("os.name", name);
        SerialConfig c("COM1");
        EXPECT_EQ(failureOf([&] { c.setHandshake(SerialConfig::HS_DSRDTR); }),
                  "DSRDTR handshaking not available on this platform")
            << name;
    }
}

TEST(SerialConfig, PortNumberAndBufferLimitsDependOnEpoc) {
    {
        ScopedProperty os("os.name", "Linux");
        SerialConfig c("ttyS1");
        c.setPortNum(4);
        EXPECT_EQ(failureOf([&] { c.setPortNum(-2); }), "Invalid Port Number: -2");
        EXPECT_EQ(c.getPort(), 4);
        c.setRxLen(65536);
        c.setTxLen(10000);
        EXPECT_EQ(c.getRxLen(), 65536);
        EXPECT_EQ(c.getTxLen(), 10000);
    }
    ScopedProperty os("os.name", "EPOC");
    SerialConfig c("COMM::0");
    c.setPortNum(-2);
    EXPECT_EQ(c.getPort(), -2);
    c.setRxLen(8192);
    EXPECT_EQ(failureOf([&] { c.setRxLen(8193); }), "Limited to 8192 on EPOC");
    EXPECT_EQ(failureOf([&] { c.setTxLen(9000); }), "Limited to 8192 on EPOC");
    EXPECT_EQ(c.getRxLen(), 8192);
    EXPECT_EQ(c.getTxLen(), 4096);
}

TEST(SerialConfig, SettingsStringShowsRateParityBitsAndFlow) {
    ScopedProperty os("os.name", "Linux");
    SerialConfig c("ttyS1");
    EXPECT_EQ(c.getSettingsString(), "9600 / NONE / 8 / 1 / NONE");

    c.setBitRate(SerialConfig::BR_115200);
    c.setParity(SerialConfig::PY_EVEN);
    c.setDataBits(SerialConfig::LN_7BITS);
    c.setStopBits(SerialConfig::ST_2BITS);
    c.setHandshake(SerialConfig::HS_CTSRTS);
    EXPECT_EQ(c.getSettingsString(), "115200 / EVEN / 7 / 2 / CTS-RTS");

    c.setBitRate(250000);
    c.setDataBits(SerialConfig::LN_5BITS);
    c.setHandshake(SerialConfig::HS_HARD_IN | SerialConfig::HS_SOFT_OUT);
    EXPECT_EQ(c.getSettingsString(), "250000 / EVEN / 5 / 2 /  HI SO");
    c.setHandshake(SerialConfig::HS_SPLIT_MASK);
    EXPECT_EQ(c.getSettingsString(), "250000 / EVEN / 5 / 2 /  HI HO SI SO");
}

TEST(SerialConfig, SettingsStringNamesHardwareFlowCtsDtrOnClassicMac) {
    ScopedProperty os("os.name", "Mac OS");
    SerialConfig c("modem");
    c.setHandshake(SerialConfig::HS_CTSRTS);
    EXPECT_EQ(c.getSettingsString(), "9600 / NONE / 8 / 1 / CTS-DTR");
}

TEST(SerialConfig, CopyIsIndependent) {
    SerialConfig original("/dev/ttyUSB0");
    original.setParity(SerialConfig::PY_ODD);
    SerialConfig duplicate = original.copy();
    duplicate.setParity(SerialConfig::PY_NONE);
    duplicate.setPortName("/dev/ttyUSB1");
    duplicate.setBaseName("/dev/ttyUSB");
    EXPECT_EQ(original.getParity(), SerialConfig::PY_ODD);
    EXPECT_EQ(original.getPortNameString(), "/dev/ttyUSB0");
    EXPECT_TRUE(original.getBaseName().empty());
    EXPECT_EQ(duplicate.getPortName(), chars("/dev/ttyUSB1"));
}

TEST(SystemProperties, StartsWithTheSystemsNameArchAndHome) {
    // The defaults come from uname and $HOME; other tests may override them only in scope.
    auto name = Serialio::SystemProperties::get("os.name");
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, "Linux");
    EXPECT_FALSE(Serialio::SystemProperties::get("os.arch", "").empty());
    {
        ScopedProperty list("SERIAL_PORT_LIST", "COM5;COM6");
        EXPECT_EQ(Serialio::SystemProperties::get("SERIAL_PORT_LIST"), "COM5;COM6");
    }
    EXPECT_FALSE(Serialio::SystemProperties::get("SERIAL_PORT_LIST").has_value());
}
