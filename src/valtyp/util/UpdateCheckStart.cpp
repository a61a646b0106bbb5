#include "valtyp/util/UpdateCheckStart.h"

#include <memory>
#include <random>

namespace UpdateCheckStart {

Draw uniformDraw() {
    auto generator = std::make_shared<std::mt19937>(std::random_device{}());
    return [generator] { return std::uniform_int_distribution<int>(0, 3)(*generator); };
}

bool drawn(bool checkForUpdates, const Draw& draw) {
    return checkForUpdates && draw() == 0;
}

}  // namespace UpdateCheckStart
