#include "Serialio/tool/NaturalStringCompare.h"

#include <cctype>

namespace Serialio {

namespace {

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Compares the digit runs starting at i and j by value, and moves past them.
int compareNumbers(const std::string& a, size_t& i, const std::string& b, size_t& j) {
    while (i < a.size() && a[i] == '0') ++i;
    while (j < b.size() && b[j] == '0') ++j;
    size_t startA = i, startB = j;
    while (i < a.size() && isDigit(a[i])) ++i;
    while (j < b.size() && isDigit(b[j])) ++j;
    size_t lengthA = i - startA, lengthB = j - startB;
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    int digits = a.compare(startA, lengthA, b, startB, lengthB);
    return digits < 0 ? -1 : (digits > 0 ? 1 : 0);
}

}  // namespace

int NaturalStringCompare::order(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            if (int numbers = compareNumbers(a, i, b, j); numbers != 0) return numbers;
            continue;
        }
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool NaturalStringCompare::lessThan(const std::string& a, const std::string& b) const {
    return order(a, b) < 0;
}

bool NaturalStringCompare::lessThanOrEqual(const std::string& a, const std::string& b) const {
    return order(a, b) <= 0;
}

}  // namespace Serialio
