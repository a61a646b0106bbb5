#include "cli/RecordOutput.h"

#include "config/ResourceBundle.h"
#include "worker/DataLine.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

void RecordPrinter::print(const DataLine& record, const std::optional<QString>& error) const {
    QByteArray line;
    if (json_) {
        const QJsonObject o{{"count", record.getCount()},
                            {"raw", record.getRawData()},
                            {"output", record.getProcessedData()},
                            {"error", error ? QJsonValue(*error) : QJsonValue()},
                            {"status", ConfigHelper::readingStatusName(record.getStatus())}};
        line = QJsonDocument(o).toJson(QJsonDocument::Compact);
    } else {
        const QString output =
            error ? QStringLiteral("ERROR: ") + *error : record.getProcessedData();
        line = (QString::number(record.getCount()) + u'\t' + record.getRawData() + u'\t' + output)
                   .toUtf8();
    }
    line += '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}

QString unsentDataText(const QString& buffered) {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.worker.WorkerBundle"))
               .getString(QStringLiteral("unsent.data")) +
           u' ' + DataLine::transformControlChars(buffered);
}
