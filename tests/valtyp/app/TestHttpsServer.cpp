#include "TestHttpsServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

TestHttpsServer::Identity makeIdentity(const char* name) {
    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.start(
        QStringLiteral("openssl"),
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-days", "2", "-subj", QStringLiteral("/CN=localhost/O=%1").arg(name), "-addext",
         "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout", key, "-out", cert});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        throw std::runtime_error("openssl req failed: " +
                                 openssl.readAllStandardError().toStdString());
    }
    QFile certFile(cert);
    QFile keyFile(key);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        throw std::runtime_error("openssl wrote no certificate");
    TestHttpsServer::Identity identity{QSslCertificate(certFile.readAll(), QSsl::Pem),
                                       QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem)};
    if (identity.certificate.isNull() || identity.key.isNull())
        throw std::runtime_error("unreadable test certificate");
    return identity;
}

}  // namespace

const TestHttpsServer::Identity& TestHttpsServer::trusted() {
    static const Identity identity = makeIdentity("trusted");
    return identity;
}

const TestHttpsServer::Identity& TestHttpsServer::stranger() {
    static const Identity identity = makeIdentity("stranger");
    return identity;
}

TestHttpsServer::TestHttpsServer(const Identity& identity) {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(identity.certificate);
    tls.setPrivateKey(identity.key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);  // clients show no certificate
    server_.setSslConfiguration(tls);
    if (!server_.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("test server: " + server_.errorString().toStdString());
    QObject::connect(&server_, &QTcpServer::pendingConnectionAvailable, &server_, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            serve(static_cast<QSslSocket*>(socket));
        }
    });
}

void TestHttpsServer::answer(int status, const QByteArray& body) {
    status_ = status;
    body_ = body;
}

QString TestHttpsServer::url() const {
    return QStringLiteral("https://127.0.0.1:%1/version.xml").arg(server_.serverPort());
}

void TestHttpsServer::serve(QSslSocket* socket) {
    auto request = std::make_shared<QByteArray>();
    QObject::connect(socket, &QSslSocket::readyRead, socket, [this, socket, request] {
        *request += socket->readAll();
        if (!request->contains("\r\n\r\n")) return;
        ++requests_;
        if (silent_) return;
        socket->write("HTTP/1.1 " + QByteArray::number(status_) +
                      " X\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
        socket->disconnectFromHost();
    });
}
