#include "libResolve.h"

#include "libDownload.h"
#include "libError.h"
#include "libPlaylist.h"
#include "libWeb.h"

#include <QNetworkAccessManager>

TDownloadLimits ResolveLimits()
{
    // Time-out, bytes, redirects.
    return TDownloadLimits{10000, 64 * 1024, 5};
}

bool NeedsResolving(const QString& address)
{
    if (!IsWebAddress(address))
        return false;
    static const QStringList media{
        QStringLiteral(".mp3"),  QStringLiteral(".aac"),  QStringLiteral(".aacp"), QStringLiteral(".m4a"),
        QStringLiteral(".mp4"),  QStringLiteral(".ogg"),  QStringLiteral(".oga"),  QStringLiteral(".opus"),
        QStringLiteral(".flac"), QStringLiteral(".wav"),  QStringLiteral(".wma"),  QStringLiteral(".asf"),
        QStringLiteral(".ts"),   QStringLiteral(".webm"), QStringLiteral(".mka"),
    };
    const QString path = QUrl(address, QUrl::StrictMode).path().toLower();
    for (const QString& ext : media)
        if (path.endsWith(ext))
            return false;
    return true;
}

bool IsMediaContentType(QByteArrayView contentType)
{
    const QString type = QString::fromLatin1(contentType).section(u';', 0, 0).trimmed().toLower();
    if (PlaylistFormatOfContentType(type) != TPlaylistFormat::None)
        return false;
    return type.startsWith(u"audio/") || type.startsWith(u"video/") || type == u"application/ogg";
}

bool LooksLikeMedia(QByteArrayView head)
{
    // A text playlist in UTF-16 has zero bytes too, after its mark.
    if (head.startsWith("\xff\xfe") || head.startsWith("\xfe\xff"))
        return false;
    static const char* const magic[] = {"ID3", "OggS", "fLaC", "RIFF", "\x30\x26\xb2\x75", ".RMF", "\x1a\x45\xdf\xa3"};
    for (const char* start : magic)
        if (head.startsWith(start))
            return true;
    // An MPEG audio or ADTS frame begins with eleven set bits.
    if (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xff
        && (static_cast<unsigned char>(head[1]) & 0xe0) == 0xe0)
        return true;
    return head.first(std::min<qsizetype>(head.size(), 512)).contains('\0');
}

TStreamCandidates CandidatesOf(const QString& address, TStreamKind kind, QByteArrayView body,
                               QByteArrayView contentType, const QUrl& url)
{
    const TStreamCandidates unchanged{{address}, kind};
    const TPlaylistFormat format = PlaylistFormatOf(body, url.toString(), QString::fromLatin1(contentType));
    if (format == TPlaylistFormat::None)
        return unchanged;
    TPlaylist playlist;
    try {
        playlist = ReadPlaylist(body, format, url);
    } catch (const EProgramError&) {
        // Not a list the readers take: the engine may know better.
        return unchanged;
    }
    // Both engines play HLS themselves, variants and segments included.
    if (playlist.Hls)
        return unchanged;
    const QStringList streams = PlaylistStreams(playlist);
    if (streams.isEmpty())
        return unchanged;
    const int first = StreamKindOfURL(streams.first());
    TStreamCandidates candidates{{}, first == skRealMedia || first == skWindowsMedia ? TStreamKind(first) : kind};
    for (const QString& stream : streams) {
        const int needs = StreamKindOfURL(stream);
        if (needs == -1 || needs == candidates.Kind)
            candidates.Addresses += stream;
    }
    return candidates;
}

TStreamResolver::TStreamResolver(const TDownloadLimits& limits, QObject* parent) : QObject(parent), FLimits(limits) {}

TStreamResolver::~TStreamResolver() { Cancel(); }

void TStreamResolver::Resolve(const QString& address, TStreamKind kind, TDone done)
{
    Cancel();
    const TStreamCandidates unchanged{{address}, kind};
    if (!NeedsResolving(address)) {
        done(unchanged);
        return;
    }
    if (!FManager)
        FManager = new QNetworkAccessManager(this);
    auto* download = new TDownload(this);
    // Stops as soon as what comes is no small playlist: an error status, a
    // media type, or the first bytes of media.
    download->SetCheck([](const TDownload& fetch) {
        const int status = fetch.Status();
        if (status >= 300 && status < 400)
            return true;
        if (status != 0 && (status < 200 || status >= 300))
            return false;
        if (IsMediaContentType(fetch.ContentType()))
            return false;
        return !LooksLikeMedia(fetch.Body());
    });
    if (!download->Start(*FManager, address, FLimits)) {
        delete download;
        done(unchanged);
        return;
    }
    FDownload = download;
    FAddress = address;
    FKind = kind;
    FDone = std::move(done);
    connect(download, &TDownload::Finished, this, &TStreamResolver::Finish);
}

void TStreamResolver::Cancel()
{
    FDone = nullptr;
    // Deleting the fetch aborts its reply; its queued Finished goes with it.
    delete FDownload.data();
}

void TStreamResolver::Finish(bool succeeded)
{
    TDownload* download = FDownload.data();
    if (!download || !FDone)
        return;
    const TStreamCandidates candidates =
        succeeded ? CandidatesOf(FAddress, FKind, download->Body(), download->ContentType(), download->Url())
                  : TStreamCandidates{{FAddress}, FKind};
    const TDone done = std::move(FDone);
    FDone = nullptr;
    FDownload = nullptr;
    download->deleteLater();
    done(candidates);
}
