#pragma once

#include <string>

namespace Serialio {

// Takes status texts from long-running library work.
class StatusAcceptor {
  public:
    virtual ~StatusAcceptor() = default;
    virtual void statusMsg(const std::string& text) = 0;
};

}  // namespace Serialio
