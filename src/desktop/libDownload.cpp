#include "libDownload.h"

#include "libText.h"
#include "libWeb.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

TDownload::TDownload(QObject* parent) : QObject(parent) {}

TDownload::~TDownload()
{
    if (FReply) {
        FReply->disconnect(this);
        FReply->abort();
        delete FReply.data();
    }
}

bool TDownload::Start(QNetworkAccessManager& manager, const QString& address, const QString& fileName,
                      const TDownloadLimits& limits)
{
    if (FReply || FFinished || !IsWebAddress(address))
        return false;
    // Written beside the target and put in place only when complete, so a
    // failed download never costs the copy that was there.
    FFile = std::make_unique<TSafeFileWriter>(fileName);
    if (!FFile->Open()) {
        FFile.reset();
        return false;
    }
    return Begin(manager, address, limits);
}

bool TDownload::Start(QNetworkAccessManager& manager, const QString& address, const TDownloadLimits& limits)
{
    if (FReply || FFinished || !IsWebAddress(address))
        return false;
    return Begin(manager, address, limits);
}

bool TDownload::Begin(QNetworkAccessManager& manager, const QString& address, const TDownloadLimits& limits)
{
    FMaxBytes = limits.MaxBytes;
    FUrl = QUrl(address, QUrl::StrictMode);
    QNetworkRequest request(FUrl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits.MaxRedirects);
    request.setTransferTimeout(limits.TimeoutMs);
    if (!FUserAgent.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, FUserAgent);
    FReply = manager.get(request);

    // The transfer time-out only notices silence; a server that trickles a
    // byte now and then is stopped by the deadline for the whole fetch.
    FDeadline = new QTimer(this);
    FDeadline->setSingleShot(true);
    connect(FDeadline, &QTimer::timeout, this, &TDownload::Fail);
    connect(FReply, &QNetworkReply::metaDataChanged, this, &TDownload::Headers);
    connect(FReply, &QNetworkReply::readyRead, this, &TDownload::Take);
    connect(FReply, &QNetworkReply::finished, this, &TDownload::Done);
    FDeadline->start(limits.TimeoutMs);
    return true;
}

void TDownload::Headers()
{
    if (FFailed || !FReply)
        return;
    FStatus = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    FContentType = FReply->rawHeader("Content-Type");
    FUrl = FReply->url();
    if (FReply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > FMaxBytes)
        Fail();
    else if (FCheck && !FCheck(*this))
        Fail();
}

void TDownload::Take()
{
    if (FFailed || !FReply)
        return;
    const QByteArray chunk = FReply->readAll();
    FReceived += chunk.size();
    // Counted as received, not as announced: a body without a length, or
    // one that inflates, is stopped all the same.
    if (FReceived > FMaxBytes) {
        Fail();
        return;
    }
    if (FFile) {
        if (!FFile->Write(chunk))
            Fail();
        return;
    }
    FBody += chunk;
    if (FCheck && !chunk.isEmpty() && !FCheck(*this))
        Fail();
}

void TDownload::Fail()
{
    FFailed = true;
    if (FReply)
        FReply->abort();
}

void TDownload::Done()
{
    if (FFinished || !FReply)
        return;
    FDeadline->stop();
    Take();
    const int status = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Under load Qt has been seen to finish without an error a body the server
    // cut short of its announced length; an uncoded body must have it all.
    const QVariant length = FReply->header(QNetworkRequest::ContentLengthHeader);
    const QByteArray coding = FReply->rawHeader("Content-Encoding").trimmed().toLower();
    const bool whole =
        !length.isValid() || !(coding.isEmpty() || coding == "identity") || length.toLongLong() == FReceived;
    const bool complete =
        !FFailed && whole && FReply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
    FStatus = status;
    FUrl = FReply->url();
    FReply->disconnect(this);
    FReply->deleteLater();
    FReply = nullptr;
    if (!FFile)
        FSucceeded = complete;
    else if (complete)
        FSucceeded = FFile->Commit();
    else
        FFile->Cancel();
    FFile.reset();
    FFinished = true;
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT Finished(FSucceeded); }, Qt::QueuedConnection);
}
