#pragma once
// What the shutdown requests' system part and their portable part share.

#include <functional>
#include <mutex>

namespace platform {

std::mutex& shutdownMutex();
std::function<void()>& shutdownRequest();
// Calls the current receiver, if any; from the system part's own thread.
void deliverShutdownRequest();
// Hooks the system's requests once per process; throws std::runtime_error naming the call.
void installShutdownSource();

}  // namespace platform
