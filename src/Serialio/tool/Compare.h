#pragma once

#include <string>

namespace Serialio {

// An ordering of texts for SortVector.
class Compare {
  public:
    virtual ~Compare() = default;
    virtual bool lessThan(const std::string& a, const std::string& b) const = 0;
    virtual bool lessThanOrEqual(const std::string& a, const std::string& b) const = 0;
};

}  // namespace Serialio
