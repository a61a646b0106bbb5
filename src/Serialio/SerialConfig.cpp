#include "Serialio/SerialConfig.h"

#include <algorithm>
#include <stdexcept>

#include "Serialio/SystemProperties.h"

namespace Serialio {

namespace {

constexpr const char* kTtyBase = "/dev/ttyS";

// Systems whose drivers can hand the DSR/DTR lines to the handshake.
constexpr std::array<std::string_view, 14> kDsrDtrSystems = {
    "Windows 95",           "Windows NT",
    "Windows CE",           "Windows 98",
    "Windows Me",           "Windows XP",
    "Windows 2000",         "Windows 2003",
    "Windows Server 2008",  "Windows Server 2008 R2",
    "Windows Vista",        "Windows 7",
    "Windows NT (unknown)", "OS/2"};

std::vector<char> chars(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace

SerialConfig::SerialConfig() : SerialConfig(std::string("COM1")) {
    baseName = chars(kTtyBase);
}

SerialConfig::SerialConfig(const std::string& name)
    : sPortName(name), portName(chars(name)), osName(SystemProperties::get("os.name", "")) {}

SerialConfig::SerialConfig(int number)
    : port(number), baseName(chars(kTtyBase)), osName(SystemProperties::get("os.name", "")) {}

int SerialConfig::getBitRateIndex(int rate) {
    auto it = std::find(bitRateNumbers.begin(), bitRateNumbers.end(), rate);
    return it == bitRateNumbers.end() ? -1 : static_cast<int>(it - bitRateNumbers.begin());
}

int SerialConfig::getBitRateNumber() const {
    // 15..30 are indexes no rate has; setBitRate takes them, so they read as themselves
    // (configure refuses them) rather than failing whoever only shows the record.
    if (!validBitRateIndex(bitRate)) return bitRate;
    return bitRateNumbers[static_cast<size_t>(bitRate)];
}

std::string SerialConfig::getSettingsString() const {
    std::string flow;
    if (handshake & HS_SPLIT_MASK) {
        if (handshake & HS_HARD_IN) flow += " HI";
        if (handshake & HS_HARD_OUT) flow += " HO";
        if (handshake & HS_SOFT_IN) flow += " SI";
        if (handshake & HS_SOFT_OUT) flow += " SO";
    } else if (osName == "Mac OS" && handshake == HS_CTSRTS) {
        flow = "CTS-DTR";
    } else {
        flow = handshakeNames[static_cast<size_t>(handshake)];
    }
    return std::to_string(getBitRateNumber()) + " / " +
           std::string(parityNames[static_cast<size_t>(parity)]) + " / " +
           static_cast<char>('5' + dataBits) + " / " + static_cast<char>('1' + stopBits) + " / " +
           flow;
}

void SerialConfig::setBitRate(int rate) {
    if (rate < 0 || rate > MAX_BIT_RATE)
        throw std::invalid_argument("Invalid Serial Port Bit Rate");
    bitRate = rate;
}

void SerialConfig::setDataBits(int bits) {
    if (bits < LN_5BITS || bits > LN_8BITS)
        throw std::invalid_argument("Invalid Serial Port Data Bits");
    dataBits = bits;
}

void SerialConfig::setStopBits(int bits) {
    if (bits < ST_1BITS || bits > ST_2BITS)
        throw std::invalid_argument("Invalid Serial Port Stop Bits");
    stopBits = bits;
}

void SerialConfig::setParity(int parityCode) {
    if (parityCode < PY_NONE || parityCode > PY_SPACE)
        throw std::invalid_argument("Invalid Serial Port Parity");
    parity = parityCode;
}

void SerialConfig::setHandshake(int mode) {
    bool plain = mode >= HS_NONE && mode <= HS_DSRDTR;
    bool split = mode >= HS_HARD_IN && mode <= HS_SPLIT_MASK;
    if (!plain && !split) throw std::invalid_argument("Invalid Serial Port Handshake");
    if (mode == HS_DSRDTR &&
        std::find(kDsrDtrSystems.begin(), kDsrDtrSystems.end(), osName) == kDsrDtrSystems.end())
        throw std::invalid_argument("DSRDTR handshaking not available on this platform");
    handshake = mode;
}

void SerialConfig::setPortNum(int number) {
    if (number < 0 && !onEpoc())
        throw std::invalid_argument("Invalid Port Number: " + std::to_string(number));
    port = number;
}

void SerialConfig::checkBufferSize(int size) const {
    if (onEpoc() && size > 8192) throw std::invalid_argument("Limited to 8192 on EPOC");
}

void SerialConfig::setRxLen(int size) {
    checkBufferSize(size);
    rxLen = size;
}

void SerialConfig::setTxLen(int size) {
    checkBufferSize(size);
    txLen = size;
}

void SerialConfig::setPortName(const std::string& name) {
    sPortName = name;
    portName = chars(name);
}

void SerialConfig::setBaseName(const std::string& name) {
    baseName = chars(name);
}

}  // namespace Serialio
