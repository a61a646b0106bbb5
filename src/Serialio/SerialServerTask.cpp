#include "Serialio/SerialServerTask.h"

#include "Serialio/IOException.h"
#include "Serialio/SerialLibrary.h"
#include "Serialio/SerialPort.h"
#include "Serialio/TaskPriority.h"

namespace Serialio {

SerialServerTask::SerialServerTask(SerialPort& port)
    : sp(port), portNum(port.getPortNum()), priority(kNormPriority) {}

SerialServerTask::~SerialServerTask() {
    abort();
    if (thread.joinable()) thread.join();
}

void SerialServerTask::start() {
    if (!thread.joinable()) thread = std::thread([this] { run(); });
}

void SerialServerTask::setErrorStatusHandler(std::shared_ptr<ErrorStatusHandler> handler) {
    std::lock_guard lock(mutex_);
    esh = std::move(handler);
}

std::string SerialServerTask::getErrorMessage() const {
    std::lock_guard lock(mutex_);
    return eMsg;
}

void SerialServerTask::run() {
    priority = raisedPriority(priority);
    std::string failure;
    try {
        int result = SerialLibrary::instance().driver().SerServerTask();
        if (result != 0) failure = "SerServerTask failed: " + std::to_string(result);
    } catch (const IOException& e) {
        failure = e.what();
    }
    if (failure.empty()) return;
    std::shared_ptr<ErrorStatusHandler> handler;
    {
        std::lock_guard lock(mutex_);
        eMsg = failure;
        handler = esh;
    }
    if (handler) handler->errorStatus(failure);
}

}  // namespace Serialio
