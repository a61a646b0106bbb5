#pragma once

#include "Serialio/tool/Compare.h"

namespace Serialio {

// Device names as people order them: case ignored, runs of digits compared as numbers, so
// ttyS2 comes before ttyS10 and ttyS9 before ttyUSB0.
class NaturalStringCompare : public Compare {
  public:
    bool lessThan(const std::string& a, const std::string& b) const override;
    bool lessThanOrEqual(const std::string& a, const std::string& b) const override;

    // Negative, zero or positive as a orders before, with or after b.
    static int order(const std::string& a, const std::string& b);
};

}  // namespace Serialio
