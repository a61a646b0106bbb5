#pragma once
// One record received from the instrument and what the pipeline made of it.

#include "config/Instrument.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

// What processing made of a record: the output text, the reading's status,
// and why a reading got no output although the record held one.
struct Reading {
    QString output;
    ConfigHelper::ReadingStatus status = ConfigHelper::ReadingStatus::UNKNOWN;
    QString ignoreReason;  // "overload", "unstable", ...; empty when not withheld
};

class DataLine {
  public:
    using Instant = std::chrono::system_clock::time_point;

    DataLine(QString rawData, QString processedData, std::int32_t count, Instant instant,
             bool error);
    DataLine(QString rawData, Reading reading, std::int32_t count, Instant instant, bool error);
    // A record whose processing failed: no output, and the failure's message.
    static DataLine failed(QString rawData, QString message, std::int32_t count, Instant instant,
                           bool error);

    DataLine copy() const { return *this; }
    void deleteProcessedData() { processedData_.clear(); }

    std::int32_t getCount() const { return count_; }
    QDateTime getDateTime() const;  // local date and time of the instant
    Instant getInstant() const { return instant_; }
    const QString& getProcessedData() const { return processedData_; }
    // The display form of the record, never the raw bytes themselves.
    QString getRawData() const { return transformControlChars(rawData_); }
    // The record exactly as received, one character per byte.
    const QString& rawText() const { return rawData_; }
    bool hasValue() const { return !processedData_.isEmpty(); }
    bool isError() const { return error_; }
    ConfigHelper::ReadingStatus getStatus() const { return status_; }
    const QString& getIgnoreReason() const { return ignoreReason_; }
    const std::optional<QString>& getProcessingError() const { return processingError_; }

    // Characters below 32 and above 126 become "<code>", e.g. CR -> "<13>".
    static QString transformControlChars(QStringView text);

  private:
    QString rawData_;
    QString processedData_;
    std::int32_t count_;
    bool error_;
    Instant instant_;
    ConfigHelper::ReadingStatus status_ = ConfigHelper::ReadingStatus::UNKNOWN;
    QString ignoreReason_;
    std::optional<QString> processingError_;
};
