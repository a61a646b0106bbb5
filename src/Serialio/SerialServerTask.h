#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Serialio/ErrorStatusHandler.h"

namespace Serialio {

class SerialPort;

// Runs the native driver's service loop (SerServerTask) on a thread of its own, for the
// systems whose driver needs one.
class SerialServerTask {
  public:
    explicit SerialServerTask(SerialPort& sp);
    ~SerialServerTask();
    SerialServerTask(const SerialServerTask&) = delete;
    SerialServerTask& operator=(const SerialServerTask&) = delete;

    void start();
    void run();
    void abort() { abortRequest = true; }
    void setErrorStatusHandler(std::shared_ptr<ErrorStatusHandler> handler);

    // The failure that ended the service loop, empty if none.
    std::string getErrorMessage() const;
    int getPriority() const { return priority; }

  private:
    SerialPort& sp;
    int portNum;
    std::atomic<bool> abortRequest{false};
    std::atomic<int> priority;
    mutable std::mutex mutex_;
    std::string eMsg;
    std::shared_ptr<ErrorStatusHandler> esh;
    std::thread thread;
};

}  // namespace Serialio
