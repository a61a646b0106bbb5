#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "Serialio/SerialConfig.h"

namespace Serialio {

// One serial port: line settings, bytes both ways, modem lines and line errors.
// Failing operations throw IOException with the message the caller shows.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    virtual void close() = 0;
    virtual void configure(const SerialConfig& config) = 0;
    // The next byte 0..255, or -1 when none came within the receive timeout.
    virtual int getByte() = 0;
    virtual const SerialConfig& getConfig() const = 0;
    virtual int getData(std::span<std::uint8_t> buffer) = 0;
    virtual int getData(std::span<std::uint8_t> buffer, int offset, int count) = 0;
    virtual int getLibVer() = 0;
    virtual std::string getName() const = 0;
    virtual int getPortNum() const = 0;
    virtual int getTimeoutRx() = 0;
    virtual int getTimeoutTx() = 0;
    virtual bool isSupported(const std::string& feature) = 0;
    virtual void putByte(std::uint8_t byte) = 0;
    virtual void putData(std::span<const std::uint8_t> buffer) = 0;
    virtual void putData(std::span<const std::uint8_t> buffer, int offset, int count) = 0;
    virtual void putString(const std::string& text) = 0;
    virtual void rxFlush() = 0;
    virtual bool rxOverflow() = 0;
    virtual int rxReadyCount() = 0;
    virtual void sendBreak(int milliseconds) = 0;
    virtual void setConfig(const SerialConfig& config) = 0;
    virtual void setDTR(bool on) = 0;
    virtual void setName(const std::string& name) = 0;
    virtual void setRTS(bool on) = 0;
    virtual void setTimeoutRx(int milliseconds) = 0;
    virtual void setTimeoutTx(int milliseconds) = 0;
    virtual bool sigBreak() = 0;
    virtual bool sigCD() = 0;
    virtual bool sigCTS() = 0;
    virtual bool sigDSR() = 0;
    virtual bool sigFrameErr() = 0;
    virtual bool sigOverrun() = 0;
    virtual bool sigParityErr() = 0;
    virtual bool sigRing() = 0;
    virtual int txBufCount() = 0;
    virtual void txDrain() = 0;
    virtual void txFlush() = 0;
};

}  // namespace Serialio
