#include "worker/ReadingLog.h"

#include "config/ResourceBundle.h"
#include "worker/DataLine.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cstdlib>
#include <utility>

namespace {

QString localTimeWithOffset(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

bool needsQuotes(const QString& field) {
    for (QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') return true;
    }
    return false;
}

QString workerText(const char* key) {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.worker.WorkerBundle"))
        .getString(QString::fromLatin1(key));
}

}  // namespace

ReadingLog::ReadingLog(QString folder, QString port, QString instrument,
                       ReportFailure reportFailure, std::size_t capacity)
    : folder_(std::move(folder)),
      port_(std::move(port)),
      instrument_(std::move(instrument)),
      capacity_(capacity),
      reportFailure_(std::move(reportFailure)),
      // Looked up here: the writing thread only reads them.
      errorText_(workerText("reading.log.error")),
      overflowText_(workerText("reading.log.overflow")),
      thread_([this](std::stop_token stop) { run(stop); }) {}

ReadingLog::~ReadingLog() {
    // The thread writes what is queued before it ends: an audit trail keeps
    // the last records of a run, however slow the disk.
    thread_.request_stop();
    thread_.join();
}

void ReadingLog::retarget(QString folder, QString port, QString instrument) {
    std::lock_guard lock(mutex_);
    folder_ = std::move(folder);
    port_ = std::move(port);
    instrument_ = std::move(instrument);
    overflowReported_ = false;
    failureReported_ = false;
}

QString ReadingLog::fileName(const QDate& day) {
    return QStringLiteral("valtyp-") + day.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".csv");
}

const QStringList& ReadingLog::columns() {
    static const QStringList names{"time", "record", "port",    "instrument",
                                   "raw",  "output", "outcome", "line error"};
    return names;
}

QByteArray ReadingLog::csvLine(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) line += u',';
        if (needsQuotes(fields[i])) {
            line += u'"' + QString(fields[i]).replace(u'"', QStringLiteral("\"\"")) + u'"';
        } else {
            line += fields[i];
        }
    }
    line += QStringLiteral("\r\n");
    return line.toUtf8();
}

QString ReadingLog::textField(const QString& text) {
    // Spreadsheets take these first characters for the start of a formula.
    if (!text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front())) {
        return u'\'' + text;
    }
    return text;
}

QString ReadingLog::valueField(const QString& value) {
    static const QRegularExpression plainNumber(
        QStringLiteral(R"(^[+-]?(\d+([.,]\d*)?|[.,]\d+)$)"));
    return plainNumber.match(value).hasMatch() ? value : textField(value);
}

void ReadingLog::append(const DataLine& record, const QString& outcome) {
    const QDateTime time = record.getDateTime();
    bool overflowed = false;
    QString folder;
    {
        std::lock_guard lock(mutex_);
        if (lines_.size() >= capacity_) {
            overflowed = !overflowReported_;
            overflowReported_ = true;
            folder = folder_;
        } else {
            lines_.push_back(
                {folder_, time.date(),
                 csvLine({localTimeWithOffset(time), QString::number(record.getCount()),
                          textField(port_), textField(instrument_), textField(record.getRawData()),
                          valueField(record.getProcessedData()), textField(outcome),
                          record.isError() ? QStringLiteral("yes") : QStringLiteral("no")})});
            ++appended_;
        }
    }
    if (!overflowed) {
        queued_.notify_one();
        return;
    }
    if (reportFailure_) reportFailure_(overflowText_ + folder);
}

void ReadingLog::flush() {
    std::unique_lock lock(mutex_);
    const std::uint64_t target = appended_;
    written_.wait(lock, [&] { return done_ >= target; });
}

void ReadingLog::run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
        // A stop with lines still queued writes them first.
        if (!queued_.wait(lock, stop, [this] { return !lines_.empty(); })) break;
        std::deque<Line> batch;
        batch.swap(lines_);
        lock.unlock();
        write(batch);
        lock.lock();
        done_ += batch.size();
        written_.notify_all();
    }
    lock.unlock();
    close();
}

void ReadingLog::write(std::deque<Line>& lines) {
    // What piled up while the disk was busy goes in one write and one sync.
    QByteArray pending;
    const auto writePending = [&] {
        if (!pending.isEmpty() && file_.isOpen() && !writeAll(pending)) {
            // Opened afresh for the next line, so that a remounted disk is used again.
            close();
        }
        pending.clear();
    };
    for (const Line& line : lines) {
        if (!file_.isOpen() || line.day != day_ || line.folder != fileFolder_) {
            writePending();
            if (!openFor(line.folder, line.day)) continue;
        }
        pending += line.bytes;
    }
    writePending();
}

bool ReadingLog::openFor(const QString& folder, const QDate& day) {
    close();
    fileFolder_ = folder;
    day_ = day;
    const QString path = this->path();
#ifdef Q_OS_WIN
    const std::string native = path.toStdString();
#else
    const std::string native = QFile::encodeName(path).toStdString();
#endif
    bool opened = file_.open(native);
    // A folder typed on the command line may not exist yet.
    if (!opened && file_.notFound() && QDir().mkpath(folder)) opened = file_.open(native);
    if (!opened) {
        fail(path, file_.error());
        return false;
    }
    const std::optional<std::int64_t> size = file_.size();
    if (!size) {
        fail(path, file_.error());
        close();
        return false;
    }
    QByteArray start;
    if (*size == 0) {
        start = csvLine(columns());
    } else {
        // A line cut short by a power cut must not swallow the next one
        // (read and write: the last byte is read back).
        const std::optional<char> last = file_.byteAt(*size - 1);
        if (last && *last != '\n') start = "\r\n";
    }
    if (!start.isEmpty() && !writeAll(start)) {
        close();
        return false;
    }
    return true;
}

bool ReadingLog::writeAll(const QByteArray& bytes) {
    if (!file_.write(bytes.constData(), static_cast<size_t>(bytes.size()))) {
        fail(path(), file_.error());
        return false;
    }
    // Through to the disk, not just to the page cache.
    if (!file_.sync()) {
        fail(path(), file_.error());
        return false;
    }
    return true;
}

QString ReadingLog::path() const {
    return QDir(fileFolder_).filePath(fileName(day_));
}

void ReadingLog::fail(const QString& path, const std::string& why) {
    {
        std::lock_guard lock(mutex_);
        if (failureReported_) return;
        failureReported_ = true;
    }
    if (!reportFailure_) return;
    reportFailure_(errorText_ + path + QStringLiteral(": ") + QString::fromLocal8Bit(why));
}

void ReadingLog::close() {
    file_.close();
}

QString readingOutcome(const DataLine& record, const QString& delivery, bool filteredAsRepeat) {
    if (const auto& error = record.getProcessingError()) return QStringLiteral("error: ") + *error;
    if (record.hasValue()) return delivery;
    QString reason = record.getIgnoreReason();
    if (reason.isEmpty()) {
        if (filteredAsRepeat) {
            reason = QStringLiteral("duplicate");
        } else if (record.getStatus() == ConfigHelper::ReadingStatus::NO_WEIGHT) {
            reason = QStringLiteral("no weight");
        } else {
            reason = QStringLiteral("no value");
        }
    }
    return QStringLiteral("ignored: ") + reason;
}
