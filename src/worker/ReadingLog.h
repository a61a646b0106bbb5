#pragma once
// The reading log, for audits: every record of a run appended to one CSV
// file a day (RFC 4180, header line first) in a chosen folder. Each line goes
// to the disk as it is written, so a crash or a power cut loses nothing
// already written. The writing happens on a thread of the log's own: a slow
// disk or a hung network share never holds up the window or the typing.
// A write failure is reported once; the run goes on.

#include <QDate>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "platform/Files.h"

class DataLine;

class ReadingLog {
  public:
    // Called from the log's own thread (write failures) and from the thread
    // that appends (a full queue).
    using ReportFailure = std::function<void(const QString& message)>;

    // Lines waiting for the disk; beyond this a line is left out and the
    // overflow reported, once, rather than memory growing without end.
    static constexpr std::size_t kDefaultCapacity = 10000;

    // Nothing is opened before the first record. Throws
    // MissingResourceException when the worker bundle lacks its texts.
    ReadingLog(QString folder, QString port, QString instrument, ReportFailure reportFailure,
               std::size_t capacity = kDefaultCapacity);
    // Writes every line still queued before it returns.
    ~ReadingLog();
    ReadingLog(const ReadingLog&) = delete;
    ReadingLog& operator=(const ReadingLog&) = delete;

    // Lines from here on go to this folder with this port and instrument,
    // and a failure or an overflow is reported again. For the next run.
    void retarget(QString folder, QString port, QString instrument);

    // Queues one line for the record, in the file of the record's local day;
    // the outcome says what became of it (see readingOutcome). Any thread;
    // never waits for the disk.
    void append(const DataLine& record, const QString& outcome);

    // Waits until every line queued before the call is written or failed.
    void flush();

    // "valtyp-2026-12-09.csv"
    static QString fileName(const QDate& day);
    static const QStringList& columns();
    // The fields joined with commas, quoted where RFC 4180 needs it, CR LF.
    static QByteArray csvLine(const QStringList& fields);
    // A text field as a spreadsheet shows it as text: one that would be
    // read as a formula gets a leading apostrophe.
    static QString textField(const QString& text);
    // An output value: a plain number stays a number, anything else is text.
    static QString valueField(const QString& value);

  private:
    struct Line {
        QString folder;
        QDate day;
        QByteArray bytes;
    };

    void run(std::stop_token stop);
    void write(std::deque<Line>& lines);
    bool openFor(const QString& folder, const QDate& day);
    bool writeAll(const QByteArray& bytes);
    void fail(const QString& path, const std::string& why);
    void close();
    QString path() const;

    // Shared with the writing thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable_any queued_;
    std::condition_variable written_;
    std::deque<Line> lines_;
    std::uint64_t appended_ = 0;
    std::uint64_t done_ = 0;
    QString folder_;
    QString port_;
    QString instrument_;
    bool overflowReported_ = false;
    bool failureReported_ = false;
    const std::size_t capacity_;
    const ReportFailure reportFailure_;
    const QString errorText_;
    const QString overflowText_;

    // The writing thread's own.
    platform::AppendFile file_;
    QString fileFolder_;
    QDate day_;

    std::jthread thread_;  // last: started once everything above is ready
};

// What became of a record, in the reading log's words: the delivery
// ("typed", or "printed" where nothing types), "ignored: " and the reason,
// or "error: " and the processing error's message.
QString readingOutcome(const DataLine& record, const QString& delivery, bool filteredAsRepeat);
