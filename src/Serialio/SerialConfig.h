#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace Serialio {

// Line settings of one port: what the native driver reads when it opens or reconfigures it.
class SerialConfig {
  public:
    // Bit rates are stored as an index into bitRateNumbers or as a literal rate.
    static constexpr int BR_110 = 0;
    static constexpr int BR_150 = 1;
    static constexpr int BR_300 = 2;
    static constexpr int BR_600 = 3;
    static constexpr int BR_1200 = 4;
    static constexpr int BR_2400 = 5;
    static constexpr int BR_4800 = 6;
    static constexpr int BR_9600 = 7;
    static constexpr int BR_19200 = 8;
    static constexpr int BR_38400 = 9;
    static constexpr int BR_57600 = 10;
    static constexpr int BR_115200 = 11;
    static constexpr int BR_230400 = 12;
    static constexpr int BR_460800 = 13;
    static constexpr int BR_921600 = 14;
    static constexpr std::array<int, 15> bitRateNumbers = {110,   150,    300,    600,    1200,
                                                           2400,  4800,   9600,   19200,  38400,
                                                           57600, 115200, 230400, 460800, 921600};
    // Values up to this are indexes, larger ones literal rates.
    static constexpr int MAX_INDEX_VALUE = 30;
    static constexpr int MAX_BIT_RATE = 921600;

    static constexpr int LN_5BITS = 0;
    static constexpr int LN_6BITS = 1;
    static constexpr int LN_7BITS = 2;
    static constexpr int LN_8BITS = 3;

    static constexpr int ST_1BITS = 0;
    static constexpr int ST_2BITS = 1;

    static constexpr int PY_NONE = 0;
    static constexpr int PY_ODD = 1;
    static constexpr int PY_EVEN = 2;
    static constexpr int PY_MARK = 3;
    static constexpr int PY_SPACE = 4;
    static constexpr std::array<std::string_view, 5> parityNames = {"NONE", "ODD", "EVEN", "MARK",
                                                                    "SPACE"};

    static constexpr int HS_NONE = 0;
    static constexpr int HS_XONXOFF = 1;
    static constexpr int HS_CTSRTS = 2;
    static constexpr int HS_DSRDTR = 3;
    static constexpr int HS_CTSDTR = 3;
    static constexpr int HS_HARD_IN = 0x10;
    static constexpr int HS_HARD_OUT = 0x20;
    static constexpr int HS_SOFT_IN = 0x40;
    static constexpr int HS_SOFT_OUT = 0x80;
    static constexpr int HS_SPLIT_MASK = 0xF0;
    static constexpr std::array<std::string_view, 4> handshakeNames = {"NONE", "XON-XOFF",
                                                                       "CTS-RTS", "DSR-DTR"};

    static constexpr int PWR_STANDBY = 0;
    static constexpr int PWR_ACTIVE = 1;

    static constexpr int DEFAULT_BUFFER_SIZE = 4096;

    // Device "COM1", base name "/dev/ttyS".
    SerialConfig();
    // The form the application uses: the device name, no base name.
    explicit SerialConfig(const std::string& portName);
    // A 1-based port number under the base name "/dev/ttyS".
    explicit SerialConfig(int port);

    SerialConfig copy() const { return *this; }

    static bool validBitRateIndex(int index) { return index >= 0 && index <= BR_921600; }
    static int getBitRateIndex(int rate);
    // The rate in bit/s, whether bitRate holds an index or a literal rate.
    int getBitRateNumber() const;
    std::string getSettingsString() const;

    int getPort() const { return port; }
    const std::string& getPortNameString() const { return sPortName; }
    const std::vector<char>& getPortName() const { return portName; }
    const std::vector<char>& getBaseName() const { return baseName; }
    int getTxLen() const { return txLen; }
    int getRxLen() const { return rxLen; }
    int getBitRate() const { return bitRate; }
    int getParity() const { return parity; }
    int getDataBits() const { return dataBits; }
    int getStopBits() const { return stopBits; }
    int getHandshake() const { return handshake; }
    const std::string& getOsName() const { return osName; }
    bool getHardFlow() const { return hardFlow; }
    bool getDisableActiveLink() const { return disableActiveLink; }

    // Each setter leaves the value unchanged and throws std::invalid_argument on a bad value.
    void setBitRate(int rate);
    void setDataBits(int bits);
    void setStopBits(int bits);
    void setParity(int parityCode);
    void setHandshake(int mode);
    void setPortNum(int number);
    void setRxLen(int size);
    void setTxLen(int size);
    void setPortName(const std::string& name);
    void setBaseName(const std::string& name);
    void setHardFlow(bool on) { hardFlow = on; }
    void setDisableActiveLink(bool on) { disableActiveLink = on; }

  private:
    bool onEpoc() const { return osName == "EPOC"; }
    void checkBufferSize(int size) const;

    int port = 0;
    std::string sPortName;
    std::vector<char> portName;
    std::vector<char> baseName;
    int txLen = DEFAULT_BUFFER_SIZE;
    int rxLen = DEFAULT_BUFFER_SIZE;
    int bitRate = BR_9600;
    int parity = PY_NONE;
    int dataBits = LN_8BITS;
    int stopBits = ST_1BITS;
    int handshake = HS_NONE;
    std::string osName;
    bool hardFlow = true;
    bool disableActiveLink = false;
};

}  // namespace Serialio
