#include "platform/serial/DriverError.h"

namespace serialdriver {

namespace {
thread_local std::string lastError;
}

void setErrorText(std::string text) {
    lastError = std::move(text);
}

const std::string& errorText() {
    return lastError;
}

}  // namespace serialdriver
