#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Serialio/tool/Compare.h"

namespace Serialio {

// Sorts lists of texts in place by a chosen ordering.
class SortVector {
  public:
    explicit SortVector(std::shared_ptr<const Compare> compare) : compare(std::move(compare)) {}

    void sort(std::vector<std::string>& list) const;
    // Sorts the entries first..last (both included); equal entries keep their order.
    void quickSort(std::vector<std::string>& list, size_t first, size_t last) const;
    static void swapElements(std::vector<std::string>& list, size_t i, size_t j);

    const Compare& getCompare() const { return *compare; }

  private:
    std::shared_ptr<const Compare> compare;
};

}  // namespace Serialio
