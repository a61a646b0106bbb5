#pragma once
// A small HTTPS server on the loopback address that answers every request
// with one document, or accepts and then says nothing. Its certificate is
// made for the test run, so nothing trusts it unless told to.

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QString>

class TestHttpsServer {
  public:
    struct Identity {
        QSslCertificate certificate;
        QSslKey key;
    };
    // Two self-signed identities for localhost and 127.0.0.1, made once per
    // test program with openssl.
    static const Identity& trusted();
    static const Identity& stranger();

    explicit TestHttpsServer(const Identity& identity = trusted());

    // The answer to every request: an HTTP status and a body. No answer at
    // all when silent.
    void answer(int status, const QByteArray& body);
    void silent() { silent_ = true; }

    // The address of the version document on this server.
    QString url() const;
    int requests() const { return requests_; }

  private:
    void serve(QSslSocket* socket);

    QSslServer server_;
    int status_ = 200;
    QByteArray body_;
    bool silent_ = false;
    int requests_ = 0;
};
