#pragma once
// One http(s) fetch into a file or into memory, without blocking: the
// caller's event loop runs while it fetches, and Finished says how it ended.

#include "libShell.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class TSafeFileWriter;

class TDownload : public QObject
{
    Q_OBJECT
public:
    explicit TDownload(QObject* parent = nullptr);
    ~TDownload() override;
    TDownload(const TDownload&) = delete;
    TDownload& operator=(const TDownload&) = delete;

    // Starts fetching address into fileName through manager (which must
    // outlive the fetch). False, and no Finished, when it cannot start: an
    // address that is not http(s), a file that cannot be written. The limits
    // bound the whole fetch; the file is replaced only by a complete body
    // with a success status, and an older file stays when anything fails.
    bool Start(QNetworkAccessManager& manager, const QString& address, const QString& fileName,
               const TDownloadLimits& limits);
    // The same into memory: Body() holds the whole body once it succeeded,
    // and nothing after a failure.
    bool Start(QNetworkAccessManager& manager, const QString& address, const TDownloadLimits& limits);
    const QByteArray& Body() const { return FBody; }
    // Sent with the request when set before Start: services that ask clients
    // to name themselves get the program's name.
    void SetUserAgent(const QByteArray& agent) { FUserAgent = agent; }
    bool IsFinished() const { return FFinished; }
    bool Succeeded() const { return FSucceeded; }

Q_SIGNALS:
    // Once per started fetch, always from the event loop (never from inside
    // Start or the reply's own signals), so a handler may delete the object.
    void Finished(bool succeeded);

private:
    bool Begin(QNetworkAccessManager& manager, const QString& address, const TDownloadLimits& limits);
    void Take();
    void Fail();
    void Done();

    QPointer<QNetworkReply> FReply;
    QTimer* FDeadline = nullptr;
    // No file: the body is kept in FBody.
    std::unique_ptr<TSafeFileWriter> FFile;
    QByteArray FBody;
    QByteArray FUserAgent;
    qint64 FMaxBytes = 0;
    qint64 FReceived = 0;
    bool FFailed = false;
    bool FFinished = false;
    bool FSucceeded = false;
};
