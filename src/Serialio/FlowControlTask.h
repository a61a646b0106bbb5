#pragma once

#include <atomic>
#include <thread>

namespace Serialio {

class SerialPort;

// Gives the native driver a thread for software flow control where the system needs one:
// calls SerFlowTask for the port until aborted.
class FlowControlTask {
  public:
    explicit FlowControlTask(SerialPort& sp);
    ~FlowControlTask();
    FlowControlTask(const FlowControlTask&) = delete;
    FlowControlTask& operator=(const FlowControlTask&) = delete;

    void start();
    void run();
    void abort() { abortRequest = true; }

    int getFlowPriority() const { return priority; }
    void setFlowPriority(int value);
    bool isRunning() const { return thread.joinable(); }

  private:
    SerialPort& sp;
    int portNum;
    std::atomic<bool> abortRequest{false};
    std::atomic<int> priority;
    std::thread thread;
};

}  // namespace Serialio
