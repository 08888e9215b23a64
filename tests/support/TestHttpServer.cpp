#include "TestHttpServer.h"

#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>

TTestHttpServer::TTestHttpServer() = default;

TTestHttpServer::~TTestHttpServer() = default;

bool TTestHttpServer::Listen(const QSslConfiguration& tls)
{
    FTls = !tls.localCertificate().isNull();
    if (FTls) {
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(tls);
        FServer = std::move(server);
    } else {
        FServer = std::make_unique<QTcpServer>();
    }
    // A TLS server hands a connection over once its handshake is done.
    connect(FServer.get(), &QTcpServer::newConnection, this, &TTestHttpServer::Accept);
    connect(FServer.get(), &QTcpServer::pendingConnectionAvailable, this, &TTestHttpServer::Accept);
    return FServer->listen(QHostAddress::LocalHost);
}

QString TTestHttpServer::Base() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(FTls ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(FServer->serverPort());
}

void TTestHttpServer::Answer(const QByteArray& path, const QByteArray& response, bool close)
{
    Handle(path, [response, close](QTcpSocket* socket) {
        socket->write(response);
        if (close)
            socket->disconnectFromHost();
    });
}

void TTestHttpServer::Handle(const QByteArray& path, std::function<void(QTcpSocket*)> handler)
{
    FHandlers.insert(path, std::move(handler));
}

QByteArray TTestHttpServer::Ok(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"
           + body;
}

QByteArray TTestHttpServer::Redirect(const QString& location)
{
    return "HTTP/1.1 302 Found\r\nLocation: " + location.toUtf8()
           + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

void TTestHttpServer::Accept()
{
    while (QTcpSocket* socket = FServer->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            FPending.remove(socket);
            socket->deleteLater();
        });
        // Bytes that came with the handshake are there already.
        if (socket->bytesAvailable() > 0)
            Serve(socket);
    }
}

void TTestHttpServer::Serve(QTcpSocket* socket)
{
    QByteArray& request = FPending[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n"))
        return;
    const QByteArray path = request.split(' ').value(1);
    FHeads += request.left(request.indexOf("\r\n\r\n"));
    request.clear();
    FRequested += path;
    auto handler = FHandlers.constFind(path);
    if (handler == FHandlers.constEnd() && path.contains('?'))
        handler = FHandlers.constFind(path.left(path.indexOf('?')));
    if (handler != FHandlers.constEnd()) {
        (*handler)(socket);
        return;
    }
    socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
    socket->disconnectFromHost();
}
