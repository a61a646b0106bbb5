#include "Serialio/FlowControlTask.h"

#include "Serialio/Diagnostics.h"
#include "Serialio/IOException.h"
#include "Serialio/SerialLibrary.h"
#include "Serialio/SerialPort.h"
#include "Serialio/TaskPriority.h"

namespace Serialio {

FlowControlTask::FlowControlTask(SerialPort& port)
    : sp(port), portNum(port.getPortNum()), priority(kNormPriority) {
    printDiagnostic("FlowControlTask created");
}

FlowControlTask::~FlowControlTask() {
    abort();
    if (thread.joinable()) thread.join();
}

void FlowControlTask::start() {
    if (!thread.joinable()) thread = std::thread([this] { run(); });
}

void FlowControlTask::setFlowPriority(int value) {
    priority = std::clamp(value, kMinPriority, kMaxPriority);
}

void FlowControlTask::run() {
    setFlowPriority(raisedPriority(priority));
    try {
        const SerDriver& driver = SerialLibrary::instance().driver();
        while (!abortRequest) driver.SerFlowTask(portNum);
    } catch (const IOException& e) {
        printDiagnostic(std::string("FlowControlTask: ") + e.what());
    }
}

}  // namespace Serialio
