#pragma once

#include <string>

#include "Serialio/SerialConfig.h"
#include "platform/serial/SerialDriver.h"

namespace Serialio {

// A settings record in the form the native driver reads, with the texts it points to.
class NativeRecord {
  public:
    explicit NativeRecord(const SerialConfig& config)
        : name_(config.getPortNameString()),
          base_(config.getBaseName().begin(), config.getBaseName().end()),
          os_(config.getOsName()) {
        record_.port = config.getPort();
        record_.portName = name_.c_str();
        record_.baseName = base_.c_str();
        record_.txLen = config.getTxLen();
        record_.rxLen = config.getRxLen();
        record_.bitRate = config.getBitRate();
        record_.parity = config.getParity();
        record_.dataBits = config.getDataBits();
        record_.stopBits = config.getStopBits();
        record_.handshake = config.getHandshake();
        record_.osName = os_.c_str();
        record_.hardFlow = config.getHardFlow() ? 1 : 0;
        record_.disableActiveLink = config.getDisableActiveLink() ? 1 : 0;
    }
    NativeRecord(const NativeRecord&) = delete;
    NativeRecord& operator=(const NativeRecord&) = delete;

    SerPortConfig* get() { return &record_; }

  private:
    std::string name_;
    std::string base_;
    std::string os_;
    SerPortConfig record_{};
};

}  // namespace Serialio
