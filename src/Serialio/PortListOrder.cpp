#include "Serialio/PortListOrder.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <utility>

namespace Serialio {

namespace {

// The number of a name matching COM[0-9]+, if it does.
bool comNumber(const std::string& name, std::uint64_t& number) {
    if (name.size() < 4 || name.compare(0, 3, "COM") != 0) return false;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    if (!std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; })) return false;
    auto [end, error] = std::from_chars(first, last, number);
    return error == std::errc() && end == last;
}

}  // namespace

std::vector<std::string> orderComPortsFirst(const std::vector<std::string>& names) {
    std::vector<std::uint64_t> numbers;
    std::vector<std::string> others;
    std::vector<std::string> oddComNames;
    for (const std::string& name : names) {
        std::uint64_t number = 0;
        if (comNumber(name, number))
            numbers.push_back(number);
        else if (name.compare(0, 3, "COM") == 0)
            oddComNames.push_back(name);
        else
            others.push_back(name);
    }
    std::sort(numbers.begin(), numbers.end());
    std::vector<std::string> ordered;
    for (std::uint64_t number : numbers) ordered.push_back("COM" + std::to_string(number));
    ordered.insert(ordered.end(), others.begin(), others.end());
    ordered.insert(ordered.end(), oddComNames.begin(), oddComNames.end());
    return ordered;
}

}  // namespace Serialio
