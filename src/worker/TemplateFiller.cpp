#include "worker/TemplateFiller.h"

#include "config/Config.h"
#include "worker/DataLine.h"

using namespace ConfigHelper;

KeyMapType keyMapTypeFor(const Config& config) {
    if (!config.getOutputTemplate().isEmpty()) return KeyMapType::ALPHANUMERIC_COMPLETE;
    return getKeyMapType(config.getInstrument().value_or(Options<Instrument>::getDefault()));
}

TemplateFiller::TemplateFiller(const Config& config, QLocale locale)
    : template_(OutputTemplate::parse(config.getOutputTemplate())),
      port_(config.getPort()),
      locale_(std::move(locale)) {
    const Instrument instrument =
        config.getInstrument().value_or(Options<Instrument>::getDefault());
    instrument_ = toPlainString(instrument);
    if (template_.usesGroups()) {
        const QString& custom = config.getCustomRegEx();
        pattern_.emplace(
            RecordPattern::compile(custom.isEmpty() ? getPattern(instrument) : custom));
    }
}

TypingJob TemplateFiller::jobFor(const DataLine& record) const {
    if (!record.hasValue()) return {};
    if (template_.isEmpty()) return TypingJob::framed(record.getProcessedData());
    OutputTemplate::Values values;
    values.value = record.getProcessedData();
    values.raw = record.getRawData();
    values.count = record.getCount();
    values.time = record.getDateTime();
    values.port = port_;
    values.instrument = instrument_;
    values.locale = locale_;
    if (pattern_) values.group = [&](int number) { return group(record, number); };
    return {QString(), template_.fill(values)};
}

// A group the expression lacks, or one that took no part in the match, is empty.
QString TemplateFiller::group(const DataLine& record, int number) const {
    if (number > pattern_->captureCount()) return {};
    try {
        const auto match = pattern_->search(record.rawText(), number);
        return match && match->group ? *match->group : QString();
    } catch (const std::exception&) {
        return {};
    }
}
