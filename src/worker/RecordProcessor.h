#pragma once
// Everything that turns one complete record into its output text, built once
// per connection: the compiled expression, the editor and remover, and the
// number formatter. The acquisition and the command line share it, so the
// two can never differ.

#include "config/RecordPattern.h"
#include "worker/DataLine.h"
#include "worker/Editor.h"
#include "worker/NumberFormatter.h"

#include <QString>

#include <optional>

class Config;

class RecordProcessor {
  public:
    // Throws std::invalid_argument for a custom expression that does not
    // compile or an operand that is not a number.
    explicit RecordProcessor(const Config& config);

    // The output text of one record, terminator included; empty when the
    // record holds no value. Throws on a processing error (a group that took
    // no part in the match, a value that is not a number, a division by zero,
    // a search over the match limit).
    QString process(QStringView record) { return read(record).output; }
    // The same with the reading's status: an overload, underload or error
    // reading gets no output, nor does an unstable one when only stable
    // readings are wanted, and a record that answers a command has no value
    // (unless a custom expression finds one).
    Reading read(QStringView record);

    bool isTextInstrument() const { return text_; }

  private:
    QString value(QStringView record);

    RecordPattern pattern_;
    int group_;
    bool text_;
    Editor editor_;
    Remover remover_;
    bool removing_;
    std::optional<NumberFormatter> formatter_;  // number instruments only
    ConfigHelper::Instrument instrument_;
    bool customExpression_;
    bool stableOnly_;
};

// The error's type and message, for log lines that show both.
QString describeError(const std::exception& error);
