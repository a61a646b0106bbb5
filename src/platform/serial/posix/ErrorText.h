#pragma once

#include <string>

#include "platform/serial/DriverError.h"

namespace posixserial {

using serialdriver::errorText;
using serialdriver::setErrorText;

// Records "<call>: <errno text>" and returns code, so failing paths stay one line.
int failWithErrno(int code, const std::string& call);

}  // namespace posixserial
