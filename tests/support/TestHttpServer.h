#pragma once
// A loopback HTTP (or HTTPS) server of the test's own. Each path answers
// with the bytes set for it (a path with a query, where it has no answer of
// its own, the answer of its path without the query); a path without an
// answer gets a 404.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QString>

#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;

class TTestHttpServer : public QObject
{
public:
    TTestHttpServer();
    ~TTestHttpServer() override;

    // On 127.0.0.1, a free port; with a configuration holding a certificate
    // and key, the server speaks TLS. False when it cannot listen.
    bool Listen(const QSslConfiguration& tls = QSslConfiguration());
    // "http://127.0.0.1:<port>" (or https), without a trailing slash.
    QString Base() const;
    QString Address(const QString& path) const { return Base() + path; }

    // The whole response for path as written to the socket; the connection
    // closes after it unless close is false (a server that stalls).
    void Answer(const QByteArray& path, const QByteArray& response, bool close = true);
    // A handler that writes to the socket itself, at its own pace.
    void Handle(const QByteArray& path, std::function<void(QTcpSocket*)> handler);
    // The paths asked for, in order, with their queries.
    const QList<QByteArray>& Requested() const { return FRequested; }
    // The head of each request (request line and header lines), in order.
    const QList<QByteArray>& Heads() const { return FHeads; }

    // 200 with a Content-Length.
    static QByteArray Ok(const QByteArray& body);
    // 302 to location.
    static QByteArray Redirect(const QString& location);

private:
    void Accept();
    void Serve(QTcpSocket* socket);

    std::unique_ptr<QTcpServer> FServer;
    bool FTls = false;
    QHash<QByteArray, std::function<void(QTcpSocket*)>> FHandlers;
    QHash<QTcpSocket*, QByteArray> FPending;
    QList<QByteArray> FRequested;
    QList<QByteArray> FHeads;
};
