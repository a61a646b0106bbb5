#include "worker/DataLine.h"

#include <utility>

DataLine::DataLine(QString rawData, QString processedData, std::int32_t count, Instant instant,
                   bool error)
    : rawData_(std::move(rawData)),
      processedData_(std::move(processedData)),
      count_(count),
      error_(error),
      instant_(instant) {}

DataLine::DataLine(QString rawData, Reading reading, std::int32_t count, Instant instant,
                   bool error)
    : DataLine(std::move(rawData), std::move(reading.output), count, instant, error) {
    status_ = reading.status;
    ignoreReason_ = std::move(reading.ignoreReason);
}

DataLine DataLine::failed(QString rawData, QString message, std::int32_t count, Instant instant,
                          bool error) {
    DataLine record(std::move(rawData), QString(), count, instant, error);
    record.processingError_ = std::move(message);
    return record;
}

QDateTime DataLine::getDateTime() const {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(instant_.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms);
}

QString DataLine::transformControlChars(QStringView text) {
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 32 || code > 126) {
            shown += u'<';
            shown += QString::number(code);
            shown += u'>';
        } else {
            shown += c;
        }
    }
    return shown;
}
