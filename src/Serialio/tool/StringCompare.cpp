#include "Serialio/tool/StringCompare.h"

#include <algorithm>
#include <cctype>

namespace Serialio {

std::string toLowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool StringCompare::lessThan(const std::string& a, const std::string& b) const {
    return toLowerAscii(a) < toLowerAscii(b);
}

bool StringCompare::lessThanOrEqual(const std::string& a, const std::string& b) const {
    return toLowerAscii(a) <= toLowerAscii(b);
}

}  // namespace Serialio
