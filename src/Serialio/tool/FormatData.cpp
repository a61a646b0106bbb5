#include "Serialio/tool/FormatData.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace Serialio {

std::string FormatData::getHexString(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        text += hexSym[byte >> 4];
        text += hexSym[byte & 0x0F];
    }
    return text;
}

std::string FormatData::getHexString(std::span<const std::uint8_t> bytes, size_t offset,
                                     size_t count) {
    if (offset > bytes.size()) return {};
    return getHexString(bytes.subspan(offset, std::min(count, bytes.size() - offset)));
}

std::string FormatData::getHexString(std::uint64_t value, int digits) {
    std::string text(static_cast<size_t>(std::max(digits, 0)), '0');
    for (auto it = text.rbegin(); it != text.rend(); ++it, value >>= 4) *it = hexSym[value & 0x0F];
    return text;
}

std::string FormatData::getAsciiHexString(std::span<const std::uint8_t> bytes) {
    std::string printable;
    for (std::uint8_t byte : bytes)
        printable += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '.';
    return getHexString(bytes) + "  " + printable;
}

std::uint64_t FormatData::getHexValue(const std::string& text) {
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.remove_prefix(2);
    if (digits.empty() || digits.size() > 16)
        throw std::invalid_argument("Invalid hex value: " + text);
    std::uint64_t value = 0;
    for (char c : digits) {
        size_t digit = hexSym.find(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (digit == std::string_view::npos)
            throw std::invalid_argument("Invalid hex value: " + text);
        value = (value << 4) | digit;
    }
    return value;
}

}  // namespace Serialio
