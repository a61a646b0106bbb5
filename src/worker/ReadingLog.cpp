#include "worker/ReadingLog.h"

#include "config/ResourceBundle.h"
#include "worker/DataLine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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
    if (fd_ < 0 || time.date() != day_) {
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
    const QByteArray native = QFile::encodeName(path);
    const auto openFile = [&] {
        return ::open(native.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    };
    fd_ = openFile();
    // A folder typed on the command line may not exist yet.
    if (fd_ < 0 && errno == ENOENT && QDir().mkpath(folder_)) fd_ = openFile();
    if (fd_ < 0) {
        fail(path, errno);
        return false;
    }
    day_ = day;
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        fail(path, errno);
        close();
        return false;
    }
    QByteArray start;
    if (info.st_size == 0) {
        start = csvLine(columns());
    } else {
        // A line cut short by a power cut must not swallow the next one
        // (read and write: the last byte is read back).
        char last = '\n';
        if (::pread(fd_, &last, 1, info.st_size - 1) == 1 && last != '\n') start = "\r\n";
    }
    if (!start.isEmpty() && !writeAll(start)) {
        close();
        return false;
    }
    return true;
}

bool ReadingLog::writeAll(const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(QDir(folder_).filePath(fileName(day_)), errno);
            return false;
        }
        data += n;
        left -= n;
    }
    // Through to the disk, not just to the page cache.
    if (::fdatasync(fd_) != 0) {
        fail(QDir(folder_).filePath(fileName(day_)), errno);
        return false;
    }
    return true;
}

void ReadingLog::fail(const QString& path, int error) {
    if (failureReported_) return;
    failureReported_ = true;
    if (!reportFailure_) return;
    reportFailure_(ResourceBundle::getBundle(QStringLiteral("valtyp.worker.WorkerBundle"))
                       .getString(QStringLiteral("reading.log.error")) +
                   path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
}

void ReadingLog::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
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
