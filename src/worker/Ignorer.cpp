#include "worker/Ignorer.h"

#include "config/Config.h"
#include "config/TextNumbers.h"

#include <chrono>

namespace {

Decimal outputAsDecimal(const QString& output) {
    QString text = output;
    text.replace(u',', u'.');
    const QByteArray latin1 = text.toLatin1();
    return Decimal::parse(std::string_view(latin1.constData(), static_cast<size_t>(latin1.size())));
}

}  // namespace

Ignorer::Ignorer(const Config& config)
    : timeLimit_(parseWholeNumber(config.getIgnoreTimeLimit()).value_or(0)) {
    const auto instrument = config.getInstrument();
    // Text values are only ever compared for equality.
    if (instrument && ConfigHelper::isTextInstrument(*instrument)) return;
    difference_ = parseDecimal(config.getIgnoreDifference()).value_or(Decimal());
}

void Ignorer::process(DataLine& record) {
    if (!record.hasValue()) return;
    // Remember the record as it came, so that a slow drift is compared step by step.
    DataLine unfiltered = record.copy();
    if (lastData_ && inTime(record) && inTolerance(record)) record.deleteProcessedData();
    lastData_ = std::move(unfiltered);
}

bool Ignorer::inTime(const DataLine& record) const {
    if (timeLimit_ == 0) return true;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        record.getInstant() - lastData_->getInstant());
    return elapsed.count() <= timeLimit_;
}

bool Ignorer::inTolerance(const DataLine& record) const {
    if (difference_.isZero()) return record.getProcessedData() == lastData_->getProcessedData();
    const Decimal now = outputAsDecimal(record.getProcessedData());
    const Decimal before = outputAsDecimal(lastData_->getProcessedData());
    return now.subtract(before).abs().compareTo(difference_) <= 0;
}
