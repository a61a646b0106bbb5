#include "config/OutputOptions.h"

#include "config/TextNumbers.h"

namespace ConfigHelper {

bool Delay::valid(QStringView text) {
    if (text.isEmpty()) return true;
    const auto delay = parseWholeNumber(text);
    return delay && *delay >= 0 && *delay <= 1000;
}

}  // namespace ConfigHelper
