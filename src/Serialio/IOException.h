#pragma once

#include <stdexcept>
#include <string>

namespace Serialio {

// Every failing line operation raises this; callers show what() unchanged.
class IOException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A read failed because the device hung up or went away: no retry can succeed.
class DeviceGoneException : public IOException {
  public:
    using IOException::IOException;
};

}  // namespace Serialio
