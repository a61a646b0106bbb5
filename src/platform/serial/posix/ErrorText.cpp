#include "platform/serial/posix/ErrorText.h"

#include <cerrno>
#include <cstring>

namespace posixserial {

int failWithErrno(int code, const std::string& call) {
    int err = errno;
    setErrorText(call + ": " + std::strerror(err));
    errno = err;
    return code;
}

}  // namespace posixserial
