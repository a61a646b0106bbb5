#pragma once
// Reads the version document of the update host and tells whether it names
// a newer version than the running one. The document is looked at as plain
// text: the values sit between tags like <version2_en> and </version2_en>.

#include <QDate>
#include <QList>
#include <QSslCertificate>
#include <QString>

#include <stdexcept>
#include <stop_token>

// The document could not be fetched: network, certificate, HTTP status,
// time-out or an answer that is too long.
class UpdateCheckFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ReadRemoteUpdate {
  public:
    static constexpr int connectTimeoutMs = 5000;
    static constexpr int readTimeoutMs = 5000;
    // The document is a few hundred bytes; anything much larger is not it.
    static constexpr qint64 maxContentBytes = 64 * 1024;

    struct Connection {
        // Trusted in addition to the system's certificate authorities.
        QList<QSslCertificate> extraCaCertificates;
        std::stop_token stop;
    };

    // Fetches and reads the document; throws UpdateCheckFailure. An empty
    // edition is the regular one.
    ReadRemoteUpdate(const QString& remoteUrl, const QString& currentVersion,
                     const QString& language, const QString& edition,
                     const Connection& connection = {});

    // The text between the first <stem_language> and the first
    // </stem_language> after it; empty when there is no such pair.
    QString findXML(const QString& stem, const QString& language) const;

    const QString& getRemoteVersion() const { return remoteVersion; }
    const QDate& getRemoteReleaseDate() const { return remoteReleaseDate; }
    bool newerVersionAvailable() const;

    // True when the remote version is newer than the current one.
    static bool compareVersions(const QString& remote, const QString& current);

    // For reading a document that is already at hand.
    static ReadRemoteUpdate fromContent(const QString& content, const QString& currentVersion,
                                        const QString& language, const QString& edition);

  private:
    ReadRemoteUpdate() = default;
    void chooseTags(const QString& edition);
    void readTags(const QString& language);
    void readURLContent(const Connection& connection);

    QString urlString;
    QString content;
    QString currentVersion;
    QString remoteVersion;
    QDate remoteReleaseDate;
    QString versionTag;
    QString dateTag;
};
