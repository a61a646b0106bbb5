#pragma once
// The one shape shared by every option enumeration: an `enum class` whose
// constants are described, in order, by a constexpr table of rows, each row
// holding at least `value`, `name` (the stored form) and `display`.
//
// A table is registered by specialising OptionTraits<E> with
//   static constexpr std::array<Row, N> rows;   // in enumerator order
//   static constexpr E defaultValue;
//   static constexpr const char* typeName;      // for error messages

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>
#include <span>

// Where a constant's display text comes from: the text itself, or a key of
// the configuration texts bundle.
struct DisplayText {
    enum class Source { Fixed, Bundle };
    Source source;
    const char* text;
};

constexpr DisplayText fixedText(const char* text) {
    return {DisplayText::Source::Fixed, text};
}
constexpr DisplayText bundleText(const char* key) {
    return {DisplayText::Source::Bundle, key};
}

// The text shown for a display entry; bundle keys are looked up in
// "valtyp.config.ConfigBundle" (a missing key throws MissingResourceException).
QString resolveDisplayText(const DisplayText& display);

// The row of a table whose constants carry nothing but their name and display.
template <class E>
struct OptionRow {
    E value;
    const char* name;
    DisplayText display;
};

[[noreturn]] void throwNoSuchConstant(const char* typeName, QStringView name);

template <class E>
struct OptionTraits;

template <class E>
class Options {
    using Traits = OptionTraits<E>;
    static constexpr auto& rows_ = Traits::rows;

    static constexpr bool rowsInEnumeratorOrder() {
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (static_cast<std::size_t>(rows_[i].value) != i) return false;
        }
        return true;
    }
    static_assert(rowsInEnumeratorOrder(), "option rows must follow the enumerator order");

  public:
    static constexpr std::size_t size() { return rows_.size(); }
    static constexpr int ordinal(E value) { return static_cast<int>(value); }
    static constexpr const auto& row(E value) { return rows_[static_cast<std::size_t>(value)]; }

    static std::span<const E> values() {
        static constexpr auto all = [] {
            std::array<E, rows_.size()> constants{};
            for (std::size_t i = 0; i < rows_.size(); ++i) constants[i] = rows_[i].value;
            return constants;
        }();
        return all;
    }

    static QString name(E value) { return QString::fromLatin1(row(value).name); }

    // Display texts are resolved once, on first use, like the constants' own
    // initialisation would; later calls cost an array index.
    static const QString& toString(E value) {
        static const auto texts = [] {
            std::array<QString, rows_.size()> resolved;
            for (std::size_t i = 0; i < rows_.size(); ++i) {
                resolved[i] = resolveDisplayText(rows_[i].display);
            }
            return resolved;
        }();
        return texts[static_cast<std::size_t>(value)];
    }

    static std::optional<E> find(QStringView constantName) {
        for (const auto& r : rows_) {
            if (constantName == QLatin1StringView(r.name)) return r.value;
        }
        return std::nullopt;
    }

    // Throws std::invalid_argument for a name that is no constant.
    static E valueOf(QStringView constantName) {
        if (auto found = find(constantName)) return *found;
        throwNoSuchConstant(Traits::typeName, constantName);
    }

    static bool valid(QStringView constantName) { return find(constantName).has_value(); }

    static constexpr bool validOrdinal(int position) {
        return position >= 0 && position < static_cast<int>(rows_.size());
    }

    static constexpr std::optional<E> fromOrdinal(int position) {
        if (!validOrdinal(position)) return std::nullopt;
        return rows_[static_cast<std::size_t>(position)].value;
    }

    // Display text of the constant at a position; empty for any other position.
    static QString getReadable(int position) {
        if (auto value = fromOrdinal(position)) return toString(*value);
        return {};
    }

    static constexpr E getDefault() { return Traits::defaultValue; }
    static constexpr int defaultOrdinal() { return ordinal(Traits::defaultValue); }
};
