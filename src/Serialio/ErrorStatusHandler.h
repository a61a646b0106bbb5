#pragma once

#include <string>

namespace Serialio {

// Receives the error texts the library reports outside of exceptions.
class ErrorStatusHandler {
  public:
    virtual ~ErrorStatusHandler() = default;
    virtual void errorStatus(const std::string& text) = 0;
};

}  // namespace Serialio
