#pragma once
// The reading log, for audits: every record of a run appended to one CSV
// file a day (RFC 4180, header line first) in a chosen folder. Each line goes
// to the disk as it is written, so a crash or a power cut loses nothing
// already logged. A write failure is reported once; the run goes on.

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

#include "platform/Files.h"

class DataLine;

class ReadingLog {
  public:
    using ReportFailure = std::function<void(const QString& message)>;

    // Nothing is opened before the first record.
    ReadingLog(QString folder, QString port, QString instrument, ReportFailure reportFailure);
    ~ReadingLog();
    ReadingLog(const ReadingLog&) = delete;
    ReadingLog& operator=(const ReadingLog&) = delete;

    // One line for the record, in the file of the record's local day; the
    // outcome says what became of it (see readingOutcome).
    void append(const DataLine& record, const QString& outcome);

    // "valtyp-2026-12-09.csv"
    static QString fileName(const QDate& day);
    static const QStringList& columns();
    // The fields joined with commas, quoted where RFC 4180 needs it, CR LF.
    static QByteArray csvLine(const QStringList& fields);

  private:
    bool openFor(const QDate& day);
    bool writeAll(const QByteArray& bytes);
    void fail(const QString& path, const std::string& why);
    void close();

    QString folder_;
    QString port_;
    QString instrument_;
    ReportFailure reportFailure_;
    platform::AppendFile file_;
    QDate day_;
    bool failureReported_ = false;
};

// What became of a record, in the reading log's words: the delivery
// ("typed", or "printed" where nothing types), "ignored: " and the reason,
// or "error: " and the processing error's message.
QString readingOutcome(const DataLine& record, const QString& delivery, bool filteredAsRepeat);
