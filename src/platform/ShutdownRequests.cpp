#include "platform/ShutdownRequests.h"

#include "platform/ShutdownRequestsState.h"

namespace platform {

std::mutex& shutdownMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<void()>& shutdownRequest() {
    static std::function<void()> request;
    return request;
}

void deliverShutdownRequest() {
    std::lock_guard lock(shutdownMutex());
    if (shutdownRequest()) shutdownRequest()();
}

ShutdownRequests::ShutdownRequests(std::function<void()> request) {
    installShutdownSource();
    std::lock_guard lock(shutdownMutex());
    shutdownRequest() = std::move(request);
}

ShutdownRequests::~ShutdownRequests() {
    // The system's hook stays: with no one to tell, a request is dropped.
    std::lock_guard lock(shutdownMutex());
    shutdownRequest() = nullptr;
}

}  // namespace platform
