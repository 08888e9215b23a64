#pragma once
// What to play for a link whose address may itself be a playlist on a web
// server (…/listen.pls, an ASX, RAM or XSPF reference, a plain M3U): the
// stream entries of the list, in order, for the player to try one after the
// other; for anything else the address itself. Told by what the server
// sends (its Content-Type and the first bytes), not by the extension alone;
// only an extension that is clearly media skips the look.

#include "libKind.h"
#include "libShell.h"

#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class TDownload;

struct TStreamCandidates
{
    QStringList Addresses; // never empty
    TStreamKind Kind = skWindowsMedia;

    bool operator==(const TStreamCandidates&) const = default;
};

class IStreamResolver
{
public:
    using TDone = std::function<void(const TStreamCandidates&)>;
    virtual ~IStreamResolver() = default;
    // Finds what to play for a link of the given kind. done runs once: at
    // once (inside Resolve) when nothing needs fetching, else later from the
    // event loop. A later Resolve or Cancel drops the earlier request, whose
    // done then never runs.
    virtual void Resolve(const QString& address, TStreamKind kind, TDone done) = 0;
    virtual void Cancel() = 0;
};

// The look at an address: ten seconds and 64 KiB at most, as a station's
// playlist is a few lines and a live stream must not be downloaded.
TDownloadLimits ResolveLimits();

// Whether an address is worth a look: a web address whose path does not end
// in a media extension (.mp3, .aac, .ogg, .opus, .flac and the like).
bool NeedsResolving(const QString& address);
// A Content-Type of audio or video that is no playlist type.
bool IsMediaContentType(QByteArrayView contentType);
// The first bytes of a body are those of media, not of a text playlist.
bool LooksLikeMedia(QByteArrayView head);
// The candidates for a link of kind at address whose server answered body
// with contentType, from the address url (after redirects): the playlist's
// stream entries, or the address itself when body is no playlist, an HLS
// playlist, or a list without stream entries. The kind is the link's, unless
// the first entry needs the other engine (an rtsp entry in a RAM file);
// entries the chosen engine cannot open are left out.
TStreamCandidates CandidatesOf(const QString& address, TStreamKind kind, QByteArrayView body,
                               QByteArrayView contentType, const QUrl& url);

// The real one, over QNetworkAccessManager and TDownload.
class TStreamResolver final : public QObject, public IStreamResolver
{
    Q_OBJECT
public:
    explicit TStreamResolver(const TDownloadLimits& limits = ResolveLimits(), QObject* parent = nullptr);
    ~TStreamResolver() override;
    TStreamResolver(const TStreamResolver&) = delete;
    TStreamResolver& operator=(const TStreamResolver&) = delete;

    void Resolve(const QString& address, TStreamKind kind, TDone done) override;
    void Cancel() override;

private:
    void Finish(bool succeeded);

    TDownloadLimits FLimits;
    QNetworkAccessManager* FManager = nullptr;
    QPointer<TDownload> FDownload;
    QString FAddress;
    TStreamKind FKind = skWindowsMedia;
    TDone FDone;
};
