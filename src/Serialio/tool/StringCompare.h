#pragma once

#include "Serialio/tool/Compare.h"

namespace Serialio {

// Texts ordered as their lower-case forms.
class StringCompare : public Compare {
  public:
    bool lessThan(const std::string& a, const std::string& b) const override;
    bool lessThanOrEqual(const std::string& a, const std::string& b) const override;
};

std::string toLowerAscii(std::string text);

}  // namespace Serialio
