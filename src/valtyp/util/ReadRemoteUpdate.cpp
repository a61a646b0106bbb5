#include "valtyp/util/ReadRemoteUpdate.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <array>
#include <optional>

namespace {

std::optional<double> decimalNumber(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok) return std::nullopt;
    return value;
}

// The four components: before the first dot, between the first and second,
// between the second and third, and all the rest.
std::optional<std::array<long long, 4>> components(const QString& version) {
    std::array<long long, 4> parts{};
    qsizetype from = 0;
    for (int i = 0; i < 4; ++i) {
        const qsizetype dot = i < 3 ? version.indexOf(u'.', from) : version.size();
        if (dot < 0) return std::nullopt;
        bool ok = false;
        parts[i] = version.mid(from, dot - from).toLongLong(&ok);
        if (!ok) return std::nullopt;
        from = dot + 1;
    }
    return parts;
}

}  // namespace

ReadRemoteUpdate::ReadRemoteUpdate(const QString& remoteUrl, const QString& currentVersion,
                                   const QString& language, const QString& edition,
                                   const Connection& connection)
    : urlString(remoteUrl), currentVersion(currentVersion) {
    chooseTags(edition);
    readURLContent(connection);
    readTags(language);
}

ReadRemoteUpdate ReadRemoteUpdate::fromContent(const QString& content,
                                               const QString& currentVersion,
                                               const QString& language, const QString& edition) {
    ReadRemoteUpdate update;
    update.currentVersion = currentVersion;
    update.content = content;
    update.chooseTags(edition);
    update.readTags(language);
    return update;
}

void ReadRemoteUpdate::chooseTags(const QString& edition) {
    if (edition.isEmpty()) {
        versionTag = QStringLiteral("version2");
        dateTag = QStringLiteral("date");
    } else {
        versionTag = QStringLiteral("version2_") + edition.toLower();
        dateTag = QStringLiteral("date_") + edition.toLower();
    }
}

void ReadRemoteUpdate::readTags(const QString& language) {
    remoteVersion = findXML(versionTag, language);
    const QString date = findXML(dateTag, language);
    // The date is only informative; one that does not parse stays unknown.
    if (!date.isEmpty()) remoteReleaseDate = QDate::fromString(date, QStringLiteral("yyyyMMdd"));
}

void ReadRemoteUpdate::readURLContent(const Connection& connection) {
    const QUrl url(urlString, QUrl::StrictMode);
    // Only over a verified connection: the answer decides what the window says.
    if (!url.isValid() || url.scheme() != u"https" || url.host().isEmpty()) {
        throw UpdateCheckFailure("Not an https address: " + urlString.toStdString());
    }
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!connection.extraCaCertificates.isEmpty())
        tls.addCaCertificates(connection.extraCaCertificates);
    request.setSslConfiguration(tls);
    // Ends a connection attempt or a read that brings nothing for this long.
    request.setTransferTimeout(std::max(connectTimeoutMs, readTimeoutMs));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);

    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QByteArray body;
    bool tooLong = false;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->read(maxContentBytes + 1 - body.size());
        if (body.size() > maxContentBytes) {
            tooLong = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    {
        // A cancelled check (the window closes) ends the wait at once. The
        // call goes through the loop, which outlives this callback.
        std::stop_callback cancel(connection.stop, [&loop, reply] {
            QMetaObject::invokeMethod(
                &loop, [reply] { reply->abort(); }, Qt::QueuedConnection);
        });
        if (!reply->isFinished()) loop.exec();
    }
    if (!tooLong) body += reply->read(maxContentBytes + 1 - body.size());
    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;

    if (tooLong || body.size() > maxContentBytes) throw UpdateCheckFailure("Answer too long");
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
        throw UpdateCheckFailure("Timeout");
    if (error != QNetworkReply::NoError) throw UpdateCheckFailure(errorText.toStdString());
    if (status != 200) throw UpdateCheckFailure("HTTP status " + std::to_string(status));
    content = QString::fromUtf8(body);
}

QString ReadRemoteUpdate::findXML(const QString& stem, const QString& language) const {
    const QString open = u'<' + stem + u'_' + language + u'>';
    const QString close = QStringLiteral("</") + stem + u'_' + language + u'>';
    const qsizetype at = content.indexOf(open);
    if (at < 0) return {};
    const qsizetype start = at + open.size();
    const qsizetype end = content.indexOf(close);
    if (start >= end) return {};
    return content.mid(start, end - start);
}

bool ReadRemoteUpdate::newerVersionAvailable() const {
    return compareVersions(remoteVersion, currentVersion);
}

bool ReadRemoteUpdate::compareVersions(const QString& remote, const QString& current) {
    if (remote.isEmpty() || current.isEmpty() || remote == current) return false;
    if (remote.count(u'.') <= 1) {
        const auto r = decimalNumber(remote);
        const auto c = decimalNumber(current);
        return r && c && *r > *c;
    }
    if (current.count(u'.') <= 1) return true;
    const auto r = components(remote);
    const auto c = components(current);
    if (!r || !c) return false;
    for (int i = 0; i < 4; ++i) {
        if ((*r)[i] != (*c)[i]) return (*r)[i] > (*c)[i];
    }
    return false;
}
