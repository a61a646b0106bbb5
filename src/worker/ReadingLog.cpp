#include "worker/ReadingLog.h"

#include "config/ResourceBundle.h"
#include "worker/DataLine.h"

#include <QDir>
#include <QFile>

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

}  // namespace

ReadingLog::ReadingLog(QString folder, QString port, QString instrument,
                       ReportFailure reportFailure)
    : folder_(std::move(folder)),
      port_(std::move(port)),
      instrument_(std::move(instrument)),
      reportFailure_(std::move(reportFailure)) {}

ReadingLog::~ReadingLog() {
    close();
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

void ReadingLog::append(const DataLine& record, const QString& outcome) {
    const QDateTime time = record.getDateTime();
    if (!file_.isOpen() || time.date() != day_) {
        if (!openFor(time.date())) return;
    }
    const QByteArray line =
        csvLine({localTimeWithOffset(time), QString::number(record.getCount()), port_, instrument_,
                 record.getRawData(), record.getProcessedData(), outcome,
                 record.isError() ? QStringLiteral("yes") : QStringLiteral("no")});
    if (!writeAll(line)) {
        // Opened afresh for the next record, so that a remounted disk is used again.
        close();
    }
}

bool ReadingLog::openFor(const QDate& day) {
    close();
    const QString path = QDir(folder_).filePath(fileName(day));
#ifdef Q_OS_WIN
    const std::string native = path.toStdString();
#else
    const std::string native = QFile::encodeName(path).toStdString();
#endif
    bool opened = file_.open(native);
    // A folder typed on the command line may not exist yet.
    if (!opened && file_.notFound() && QDir().mkpath(folder_)) opened = file_.open(native);
    if (!opened) {
        fail(path, file_.error());
        return false;
    }
    day_ = day;
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
        fail(QDir(folder_).filePath(fileName(day_)), file_.error());
        return false;
    }
    // Through to the disk, not just to the page cache.
    if (!file_.sync()) {
        fail(QDir(folder_).filePath(fileName(day_)), file_.error());
        return false;
    }
    return true;
}

void ReadingLog::fail(const QString& path, const std::string& why) {
    if (failureReported_) return;
    failureReported_ = true;
    if (!reportFailure_) return;
    reportFailure_(ResourceBundle::getBundle(QStringLiteral("valtyp.worker.WorkerBundle"))
                       .getString(QStringLiteral("reading.log.error")) +
                   path + QStringLiteral(": ") + QString::fromLocal8Bit(why));
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
