#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace Serialio {

// Hex dumps of received and sent bytes, for diagnostics.
class FormatData {
  public:
    static constexpr std::string_view hexSym = "0123456789ABCDEF";

    // "48 65 6C 6C 6F"
    static std::string getHexString(std::span<const std::uint8_t> bytes);
    static std::string getHexString(std::span<const std::uint8_t> bytes, size_t offset,
                                    size_t count);
    // The value as `digits` hex digits, most significant first.
    static std::string getHexString(std::uint64_t value, int digits);
    // "48 65 0D  He." : the hex, two blanks, then each byte as itself or '.' if unprintable.
    static std::string getAsciiHexString(std::span<const std::uint8_t> bytes);
    // Parses hex digits (either case, optional "0x"); throws std::invalid_argument
    // "Invalid hex value: <text>" otherwise.
    static std::uint64_t getHexValue(const std::string& text);
};

}  // namespace Serialio
