#pragma once
// Settings for instruments that wait to be asked and for lines that come and
// go: the command that requests a reading, how often to send it, and
// whether a run waits for a vanished device to return.

#include <QString>
#include <QStringView>

#include <optional>
#include <string>

namespace ConfigHelper {

// The request command as typed: any byte can be written with the escapes
// \r \n \t \xHH and \\; empty means the instrument's own command.
struct DataCommand {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text) { return decode(text).has_value(); }
    // The bytes to send (one character per byte), or none for a text with a
    // broken escape or a character above 255.
    static std::optional<std::string> decode(QStringView text);
    // The text that decodes to these bytes (one character per byte), with
    // escapes for everything not printable.
    static QString encode(QStringView bytes);
};

// Milliseconds between requests; empty or 0 means never.
struct RequestInterval {
    static constexpr int kMinimum = 100;
    static constexpr int kMaximum = 3'600'000;
    static QString getDefault() { return {}; }
    static bool valid(QStringView text) { return toMilliseconds(text).has_value(); }
    // 0 for never; none when the text is not a valid interval.
    static std::optional<int> toMilliseconds(QStringView text);
};

}  // namespace ConfigHelper
