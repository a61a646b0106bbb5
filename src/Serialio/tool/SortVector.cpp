#include "Serialio/tool/SortVector.h"

#include <algorithm>
#include <utility>

namespace Serialio {

void SortVector::sort(std::vector<std::string>& list) const {
    if (!list.empty()) quickSort(list, 0, list.size() - 1);
}

void SortVector::quickSort(std::vector<std::string>& list, size_t first, size_t last) const {
    if (first >= last || last >= list.size()) return;
    auto begin = list.begin() + static_cast<std::ptrdiff_t>(first);
    auto end = list.begin() + static_cast<std::ptrdiff_t>(last) + 1;
    std::stable_sort(begin, end, [this](const std::string& a, const std::string& b) {
        return compare->lessThan(a, b);
    });
}

void SortVector::swapElements(std::vector<std::string>& list, size_t i, size_t j) {
    std::swap(list.at(i), list.at(j));
}

}  // namespace Serialio
