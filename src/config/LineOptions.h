#pragma once
// Serial line settings as the settings screen offers them. Each table's order
// is the serial library's code order: the stored position is handed to the
// line-settings record unchanged.

#include "config/OptionTable.h"

namespace ConfigHelper {

enum class BitRates {
    BR_110,
    BR_150,
    BR_300,
    BR_600,
    BR_1200,
    BR_2400,
    BR_4800,
    BR_9600,
    BR_19200,
    BR_38400,
    BR_57600,
    BR_115200,
    BR_230400,
    BR_460800,
    BR_921600
};
enum class DataBits { LN_5BITS, LN_6BITS, LN_7BITS, LN_8BITS };
enum class StopBits { ST_1BITS, ST_2BITS };
enum class Parity { NONE, ODD, EVEN, MARK, SPACE };
enum class Connect { MANUAL, AUTO };

}  // namespace ConfigHelper

template <>
struct OptionTraits<ConfigHelper::BitRates> {
    using E = ConfigHelper::BitRates;
    static constexpr const char* typeName = "BitRates";
    static constexpr E defaultValue = E::BR_9600;
    static constexpr std::array<OptionRow<E>, 15> rows{{
        {E::BR_110, "BR_110", fixedText("110")},
        {E::BR_150, "BR_150", fixedText("150")},
        {E::BR_300, "BR_300", fixedText("300")},
        {E::BR_600, "BR_600", fixedText("600")},
        {E::BR_1200, "BR_1200", fixedText("1200")},
        {E::BR_2400, "BR_2400", fixedText("2400")},
        {E::BR_4800, "BR_4800", fixedText("4800")},
        {E::BR_9600, "BR_9600", fixedText("9600")},
        {E::BR_19200, "BR_19200", fixedText("19200")},
        {E::BR_38400, "BR_38400", fixedText("38400")},
        {E::BR_57600, "BR_57600", fixedText("57600")},
        {E::BR_115200, "BR_115200", fixedText("115200")},
        {E::BR_230400, "BR_230400", fixedText("230400")},
        {E::BR_460800, "BR_460800", fixedText("460800")},
        {E::BR_921600, "BR_921600", fixedText("921600")},
    }};
};

template <>
struct OptionTraits<ConfigHelper::DataBits> {
    using E = ConfigHelper::DataBits;
    static constexpr const char* typeName = "DataBits";
    static constexpr E defaultValue = E::LN_8BITS;
    static constexpr std::array<OptionRow<E>, 4> rows{{
        {E::LN_5BITS, "LN_5BITS", fixedText("5")},
        {E::LN_6BITS, "LN_6BITS", fixedText("6")},
        {E::LN_7BITS, "LN_7BITS", fixedText("7")},
        {E::LN_8BITS, "LN_8BITS", fixedText("8")},
    }};
};

template <>
struct OptionTraits<ConfigHelper::StopBits> {
    using E = ConfigHelper::StopBits;
    static constexpr const char* typeName = "StopBits";
    static constexpr E defaultValue = E::ST_1BITS;
    static constexpr std::array<OptionRow<E>, 2> rows{{
        {E::ST_1BITS, "ST_1BITS", fixedText("1")},
        {E::ST_2BITS, "ST_2BITS", fixedText("2")},
    }};
};

// Parity shows its constant names.
template <>
struct OptionTraits<ConfigHelper::Parity> {
    using E = ConfigHelper::Parity;
    static constexpr const char* typeName = "Parity";
    static constexpr E defaultValue = E::NONE;
    static constexpr std::array<OptionRow<E>, 5> rows{{
        {E::NONE, "NONE", fixedText("NONE")},
        {E::ODD, "ODD", fixedText("ODD")},
        {E::EVEN, "EVEN", fixedText("EVEN")},
        {E::MARK, "MARK", fixedText("MARK")},
        {E::SPACE, "SPACE", fixedText("SPACE")},
    }};
};

template <>
struct OptionTraits<ConfigHelper::Connect> {
    using E = ConfigHelper::Connect;
    static constexpr const char* typeName = "Connect";
    static constexpr E defaultValue = E::MANUAL;
    static constexpr std::array<OptionRow<E>, 2> rows{{
        {E::MANUAL, "MANUAL", bundleText("manual")},
        {E::AUTO, "AUTO", bundleText("auto")},
    }};
};
