#include "platform/serial/posix/ErrorText.h"

#include <cerrno>
#include <cstring>

namespace posixserial {

namespace {
thread_local std::string lastError;
}

void setErrorText(std::string text) {
    lastError = std::move(text);
}

const std::string& errorText() {
    return lastError;
}

int failWithErrno(int code, const std::string& call) {
    int err = errno;
    setErrorText(call + ": " + std::strerror(err));
    errno = err;
    return code;
}

}  // namespace posixserial
