#include "worker/RecordProcessor.h"

#include "config/Config.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <typeinfo>

using namespace ConfigHelper;

namespace {

Instrument instrumentOf(const Config& config) {
    return config.getInstrument().value_or(Options<Instrument>::getDefault());
}

QString expressionOf(const Config& config) {
    const QString& custom = config.getCustomRegEx();
    return custom.isEmpty() ? getPattern(instrumentOf(config)) : custom;
}

bool isRegexWhitespace(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == 0x0B || u == '\f' || u == '\r';
}

QString withoutWhitespace(const QString& value) {
    if (std::none_of(value.begin(), value.end(), isRegexWhitespace)) return value;
    QString joined;
    joined.reserve(value.size());
    for (QChar c : value) {
        if (!isRegexWhitespace(c)) joined += c;
    }
    return joined;
}

}  // namespace

RecordProcessor::RecordProcessor(const Config& config)
    : pattern_(RecordPattern::compile(expressionOf(config))),
      group_(getCaptureGroup(instrumentOf(config))),
      text_(ConfigHelper::isTextInstrument(instrumentOf(config))),
      editor_(config),
      remover_(config),
      removing_(!config.getRemoveCharacters().isEmpty()),
      instrument_(instrumentOf(config)),
      customExpression_(!config.getCustomRegEx().isEmpty()),
      stableOnly_(config.stableOnly) {
    // Text instruments always take the first group, whatever the catalogue says.
    if (text_) {
        group_ = 1;
    } else {
        formatter_.emplace(NumberFormatter::fromConfig(config));
    }
}

Reading RecordProcessor::read(QStringView record) {
    Reading reading;
    reading.status = getReadingStatus(instrument_, record);
    // Fields the catalogue knows to come before the reading are never read as
    // it; a custom expression is written for the whole record.
    const QStringView part = customExpression_ ? record : readingPart(instrument_, record);
    if (reading.status == ReadingStatus::NO_WEIGHT) {
        // A custom expression is written for records the catalogue does
        // not know: it decides itself what holds a value.
        if (!customExpression_) return reading;
        reading.status = ReadingStatus::UNKNOWN;
    }
    if (isFaultStatus(reading.status) ||
        (stableOnly_ && reading.status == ReadingStatus::UNSTABLE)) {
        reading.ignoreReason = readingStatusName(reading.status);
        return reading;
    }
    reading.output = value(part);
    return reading;
}

QString RecordProcessor::value(QStringView record) {
    QString value = editor_.edit(extractValue(pattern_, record, group_));
    if (removing_) value = remover_.removeCharacters(value);
    if (text_) return value;
    value = withoutWhitespace(value);
    if (value.isEmpty()) return {};
    return formatter_->format(value);
}

QString describeError(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    const QString type = QString::fromLatin1(status == 0 ? demangled.get() : mangled);
    return type + QStringLiteral(": ") + QString::fromLocal8Bit(error.what());
}
