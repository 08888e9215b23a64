#pragma once
// One bounded http(s) fetch into a file or into memory, without blocking:
// the caller's event loop runs while it fetches, and Finished says how it
// ended.

#include "libShell.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
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
    // The same into memory: Body() holds what came, and Succeeded() says
    // whether it is a complete body with a success status.
    bool Start(QNetworkAccessManager& manager, const QString& address, const TDownloadLimits& limits);
    // Looked at once the headers have come (with an empty body) and after
    // every piece of the body; false stops the fetch, which then fails. A
    // caller stops what it need not read: a live stream where it expected a
    // small file.
    using TCheck = std::function<bool(const TDownload&)>;
    void SetCheck(TCheck check) { FCheck = std::move(check); }

    // What the server said: the status, its Content-Type and the address
    // the body came from once redirects were followed.
    int Status() const { return FStatus; }
    const QByteArray& ContentType() const { return FContentType; }
    const QUrl& Url() const { return FUrl; }
    // A fetch into memory: the body received so far.
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
    void Headers();
    void Take();
    void Fail();
    void Done();

    QPointer<QNetworkReply> FReply;
    QTimer* FDeadline = nullptr;
    // No file: the body is kept in FBody.
    std::unique_ptr<TSafeFileWriter> FFile;
    TCheck FCheck;
    QByteArray FBody;
    QByteArray FUserAgent;
    QByteArray FContentType;
    QUrl FUrl;
    int FStatus = 0;
    qint64 FMaxBytes = 0;
    qint64 FReceived = 0;
    bool FFailed = false;
    bool FFinished = false;
    bool FSucceeded = false;
};
