#pragma once

#include <algorithm>

namespace Serialio {

// Thread priorities on the 1..10 scale of the library's tasks. Linux gives ordinary
// threads no higher priority, so the value is kept for the caller to read, not applied.
constexpr int kMinPriority = 1;
constexpr int kNormPriority = 5;
constexpr int kMaxPriority = 10;

constexpr int raisedPriority(int priority) {
    return std::clamp(priority + 1, kMinPriority, kMaxPriority);
}

}  // namespace Serialio
