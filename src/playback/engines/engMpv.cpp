#include "engMpv.h"

#include "libBitRate.h"
#include "libConst.h"
#include "libError.h"
#include "libTitle.h"

#include <QMetaObject>
#include <QMutex>
#include <QRegularExpression>
#include <dlfcn.h>
#include <map>
#include <mpv/client.h>

// Entry points resolved from the shared library. Only the types come from the
// development headers; nothing links against libmpv.
struct TMpvApi
{
    decltype(&mpv_client_api_version) client_api_version;
    decltype(&mpv_create) create;
    decltype(&mpv_initialize) initialize;
    decltype(&mpv_terminate_destroy) terminate_destroy;
    decltype(&mpv_set_option_string) set_option_string;
    decltype(&mpv_set_property) set_property;
    decltype(&mpv_get_property) get_property;
    decltype(&mpv_observe_property) observe_property;
    decltype(&mpv_command) command;
    decltype(&mpv_command_ret) command_ret;
    decltype(&mpv_wait_event) wait_event;
    decltype(&mpv_set_wakeup_callback) set_wakeup_callback;
    decltype(&mpv_error_string) error_string;
    decltype(&mpv_free) free;
    decltype(&mpv_free_node_contents) free_node_contents;
};

QByteArray MpvLibraryName()
{
    const QByteArray name = qgetenv("KESTREL_LIBMPV");
    return name.isEmpty() ? QByteArrayLiteral("libmpv.so.2") : name;
}

const TMpvApi* LoadMpvApi(const QByteArray& libraryName)
{
    static QMutex lock;
    // Only what loaded is kept: a library that is missing now is looked for
    // again next time, so one installed while the program runs is found.
    static std::map<QByteArray, std::unique_ptr<TMpvApi>> loaded;
    QMutexLocker guard(&lock);
    if (auto it = loaded.find(libraryName); it != loaded.end())
        return it->second.get();

    void* lib = dlopen(libraryName.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return nullptr;
    auto api = std::make_unique<TMpvApi>();
    bool complete = true;
    auto resolve = [&](auto& fn, const char* symbol) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, symbol));
        complete = complete && fn != nullptr;
    };
    resolve(api->client_api_version, "mpv_client_api_version");
    resolve(api->create, "mpv_create");
    resolve(api->initialize, "mpv_initialize");
    resolve(api->terminate_destroy, "mpv_terminate_destroy");
    resolve(api->set_option_string, "mpv_set_option_string");
    resolve(api->set_property, "mpv_set_property");
    resolve(api->get_property, "mpv_get_property");
    resolve(api->observe_property, "mpv_observe_property");
    resolve(api->command, "mpv_command");
    resolve(api->command_ret, "mpv_command_ret");
    resolve(api->wait_event, "mpv_wait_event");
    resolve(api->set_wakeup_callback, "mpv_set_wakeup_callback");
    resolve(api->error_string, "mpv_error_string");
    resolve(api->free, "mpv_free");
    resolve(api->free_node_contents, "mpv_free_node_contents");
    // The event structures used here are those of client API 2.x.
    if (!complete || (api->client_api_version() >> 16) != 2) {
        // Nothing of it ran but the version query, so it may go; an upgrade
        // at the same path is then loaded afresh.
        dlclose(lib);
        return nullptr;
    }
    return (loaded[libraryName] = std::move(api)).get();
}

QStringList MpvAddressCandidates(const QString& address)
{
    static const QRegularExpression mms(QStringLiteral("^\\s*mms://"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = mms.match(address);
    if (!m.hasMatch())
        return {address.trimmed()};
    const QString rest = address.mid(m.capturedEnd()).trimmed();
    return {QStringLiteral("mmsh://") + rest, QStringLiteral("mmst://") + rest};
}

namespace {
enum : quint64 { obMetadata = 1, obBitRate, obPausedForCache, obBufferingState, obDuration, obFileSize };

// A station's declared rate, "128" (some servers repeat it: "128,128").
int IcyBitRate(QByteArrayView value)
{
    qsizetype digits = 0;
    while (digits < value.size() && digits < 7 && value[digits] >= '0' && value[digits] <= '9')
        ++digits;
    return digits ? WholeKbps(value.first(digits).toInt() * 1000.0) : 0;
}

QString MpvErrorText(const TMpvApi* api, int error)
{
    switch (error) {
    case MPV_ERROR_LOADING_FAILED: return Const::SEngineOpenFailed;
    case MPV_ERROR_AO_INIT_FAILED: return Const::SEngineNoAudioOutput;
    case MPV_ERROR_NOTHING_TO_PLAY: return Const::SEngineNothingToPlay;
    case MPV_ERROR_UNKNOWN_FORMAT: return Const::SEngineUnknownFormat;
    default: return QString::fromUtf8(api->error_string(error));
    }
}

// libmpv says "loading failed" alike for a refused connection, an HTTP error
// and an address no protocol handles; the last is told by its scheme.
TStreamEnd MpvStreamEnd(int reason, int error, bool unknownScheme, bool clip)
{
    if (reason == MPV_END_FILE_REASON_EOF)
        return clip ? TStreamEnd::seFinished : TStreamEnd::seDropped;
    if (reason != MPV_END_FILE_REASON_ERROR)
        return TStreamEnd::seNone;
    if (unknownScheme || error == MPV_ERROR_UNKNOWN_FORMAT || error == MPV_ERROR_NOTHING_TO_PLAY)
        return TStreamEnd::seRefused;
    return TStreamEnd::seDropped;
}
} // namespace

TMpvEngine::TMpvEngine(const TMpvApi* api, QObject* parent) : IWindowsMediaEngine(parent), FApi(api)
{
    if (!FApi)
        throw EProgramError(Const::SEngineSetupFailed.arg(QString::fromLocal8Bit(MpvLibraryName())));
    // Fails unless main() called PrepareEngineLocale(): libmpv wants C numbers.
    FCtx = FApi->create();
    if (!FCtx)
        throw EProgramError(Const::SEngineSetupFailed.arg(QStringLiteral("mpv_create")));

    // Audio only, into the sound server; nothing of the user's mpv set-up
    // (config files, scripts, key bindings, terminal) takes part.
    static const char* const options[][2] = {
        {"config", "no"},
        {"terminal", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"osc", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"vo", "null"},
        {"video", "no"},
        {"audio-display", "no"},
        {"ao", "pulse"},
        {"idle", "yes"},
        {"keep-open", "no"},
        {"audio-client-name", "kestrel-radio"},
        // Live radio: begin as soon as the demuxer has a little audio instead
        // of waiting for a full cache; only a real underrun pauses for the cache.
        {"cache", "yes"},
        {"cache-pause-initial", "no"},
        {"cache-pause", "yes"},
        {"cache-pause-wait", "0.5"},
        {"demuxer-readahead-secs", "10"},
        {"demuxer-max-bytes", "4MiB"},
        // A small back buffer; with none at all mpv drops the ICY titles that
        // travel with the cached packets. Not grown into the forward
        // buffer's free room: a live stream never fills that, and the back
        // buffer would creep up to its whole size over the first minutes.
        {"demuxer-max-back-bytes", "256KiB"},
        {"demuxer-donate-buffer", "no"},
        {"network-timeout", "15"},
        // Radio streams declare their codec in the first frames; analysing
        // them for the default 5 s delays the start by most of a second on a
        // stream without burst.
        {"demuxer-lavf-analyzeduration", "0.1"},
        // Finding the stream information reads ahead past what opening the
        // stream already told; only a stream that showed nothing needs it.
        {"demuxer-lavf-probe-info", "nostreams"},
        // The reserve lives in the demuxer cache; a decoded buffer of 50 ms in
        // front of the sound server's own lets playback begin with the first
        // frames instead of waiting to fill 200 ms on a stream without burst.
        {"audio-buffer", "0.05"},
    };
    for (const auto& [name, value] : options)
        FApi->set_option_string(FCtx, name, value);
    const int rc = FApi->initialize(FCtx);
    if (rc < 0) {
        const QString reason = QString::fromUtf8(FApi->error_string(rc));
        FApi->terminate_destroy(FCtx);
        FCtx = nullptr;
        throw EProgramError(Const::SEngineSetupFailed.arg(reason));
    }
    // Titles and the declared rate come from the stream's own tags. Not
    // "media-title": until a stream names its programme that is the address's
    // file name (live.mp3, index.m3u8), which is no title.
    FApi->observe_property(FCtx, obMetadata, "metadata", MPV_FORMAT_NODE);
    FApi->observe_property(FCtx, obBitRate, "audio-bitrate", MPV_FORMAT_DOUBLE);
    FApi->observe_property(FCtx, obPausedForCache, "paused-for-cache", MPV_FORMAT_FLAG);
    FApi->observe_property(FCtx, obBufferingState, "cache-buffering-state", MPV_FORMAT_INT64);
    // A clip is over at its end, a live stream only dropped. libmpv guesses
    // a length even for a live MP3 stream; only a clip has a size as well.
    FApi->observe_property(FCtx, obDuration, "duration", MPV_FORMAT_DOUBLE);
    FApi->observe_property(FCtx, obFileSize, "file-size", MPV_FORMAT_INT64);
    mpv_node protocols{};
    if (FApi->get_property(FCtx, "protocol-list", MPV_FORMAT_NODE, &protocols) >= 0) {
        if (protocols.format == MPV_FORMAT_NODE_ARRAY)
            for (int i = 0; i < protocols.u.list->num; ++i)
                if (protocols.u.list->values[i].format == MPV_FORMAT_STRING)
                    FProtocols.insert(QString::fromUtf8(protocols.u.list->values[i].u.string).toLower());
        FApi->free_node_contents(&protocols);
    }
    FApi->set_wakeup_callback(FCtx, &TMpvEngine::Wakeup, this);
}

TMpvEngine::~TMpvEngine()
{
    if (FCtx) {
        // Once this returns no wake-up is running or will run; a drain already
        // queued dies with this object.
        FApi->set_wakeup_callback(FCtx, nullptr, nullptr);
        FApi->terminate_destroy(FCtx);
    }
}

void TMpvEngine::Wakeup(void* self)
{
    // On one of mpv's threads: only queue a drain on the user-interface thread.
    auto* engine = static_cast<TMpvEngine*>(self);
    if (!engine->FDrainQueued.exchange(true))
        QMetaObject::invokeMethod(engine, &TMpvEngine::Drain, Qt::QueuedConnection);
}

void TMpvEngine::SetMute(bool mute)
{
    int flag = mute ? 1 : 0;
    FApi->set_property(FCtx, "mute", MPV_FORMAT_FLAG, &flag);
}

void TMpvEngine::SetVolume(int volume)
{
    double value = qBound(0, volume, 100);
    FApi->set_property(FCtx, "volume", MPV_FORMAT_DOUBLE, &value);
}

void TMpvEngine::SetURL(const QString& address) { FURL = address; }

void TMpvEngine::ResetStreamState()
{
    FEntry = -1;
    FActive = false;
    FStarted = false;
    FRestarted = false;
    FPausedForCache = false;
    FBitRate = 0;
    FNominalBitRate = 0;
    FBufferingProgress = 100;
    FHasDuration = false;
    FHasSize = false;
    FUnknownScheme = false;
    FEnd = TStreamEnd::seNone;
    FIcyTitle.clear();
    FMediaTitle.clear();
}

void TMpvEngine::Play()
{
    ResetStreamState();
    FCandidates = MpvAddressCandidates(FURL);
    FActive = true;
    LoadCandidate();
}

void TMpvEngine::LoadCandidate()
{
    const QByteArray url = FCandidates.takeFirst().toUtf8();
    const char* args[] = {"loadfile", url.constData(), "replace", nullptr};
    mpv_node result{};
    FEntry = -1;
    FStarted = false;
    // A single letter is a drive, not a scheme; no scheme is a file.
    const QString scheme = QString::fromUtf8(url.left(qMax(0, int(url.indexOf("://"))))).toLower();
    FUnknownScheme = scheme.size() > 1 && !FProtocols.isEmpty() && !FProtocols.contains(scheme);
    const int rc = FApi->command_ret(FCtx, args, &result);
    if (rc < 0) {
        FActive = false;
        FEnd = MpvStreamEnd(MPV_END_FILE_REASON_ERROR, rc, FUnknownScheme, false);
        FErrors.append(MpvErrorText(FApi, rc));
        Q_EMIT Error();
        return;
    }
    // The entry id tells this Play's events from those of the stream it replaces.
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i)
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0
                && result.u.list->values[i].format == MPV_FORMAT_INT64)
                FEntry = result.u.list->values[i].u.int64;
    }
    FApi->free_node_contents(&result);
}

void TMpvEngine::Stop()
{
    ResetStreamState();
    FCandidates.clear();
    const char* args[] = {"stop", nullptr};
    FApi->command(FCtx, args);
}

int TMpvEngine::PlayState() const
{
    if (!FActive)
        return wmppsStopped;
    if (FPausedForCache)
        return wmppsBuffering;
    if (FRestarted)
        return wmppsPlaying;
    return 9; // transitioning: connecting or opening
}

// libmpv measures the rate only after a second or two of playing; until then
// the rate the station declared stands in.
int TMpvEngine::NetworkBitRate() const { return FBitRate > 0 ? FBitRate : FNominalBitRate; }

QString TMpvEngine::CurrentMediaName() const { return FIcyTitle.isEmpty() ? FMediaTitle : FIcyTitle; }

void TMpvEngine::TakeMetadata(const mpv_node* map)
{
    FIcyTitle.clear();
    FMediaTitle.clear();
    FNominalBitRate = 0;
    if (!map || map->format != MPV_FORMAT_NODE_MAP)
        return;
    for (int i = 0; i < map->u.list->num; ++i) {
        const mpv_node& value = map->u.list->values[i];
        if (value.format != MPV_FORMAT_STRING)
            continue;
        // The raw bytes: stations send GBK as often as UTF-8. Tag names come
        // in any case (Vorbis comments are upper case).
        const char* key = map->u.list->keys[i];
        const QByteArrayView text(value.u.string);
        if (qstricmp(key, "icy-title") == 0)
            FIcyTitle = NormaliseTitle(text);
        else if (qstricmp(key, "title") == 0)
            FMediaTitle = NormaliseTitle(text);
        else if (qstricmp(key, "icy-br") == 0)
            FNominalBitRate = IcyBitRate(text);
    }
}

void TMpvEngine::Drain()
{
    FDrainQueued = false;
    while (FCtx) {
        const mpv_event* event = FApi->wait_event(FCtx, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        HandleEvent(*event);
    }
}

void TMpvEngine::HandleEvent(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event.data);
        if (FActive && (FEntry < 0 || start->playlist_entry_id == FEntry)) {
            FEntry = start->playlist_entry_id;
            FStarted = true;
        }
        break;
    }
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (!FActive || end->playlist_entry_id != FEntry)
            break; // a stream an earlier Play or Stop replaced
        if (end->reason == MPV_END_FILE_REASON_REDIRECT && end->playlist_insert_num_entries > 0) {
            FEntry = end->playlist_insert_id; // a playlist: follow its first entry
            FStarted = false;
            break;
        }
        if (end->reason == MPV_END_FILE_REASON_ERROR && !FCandidates.isEmpty()) {
            LoadCandidate();
            break;
        }
        const bool failed = end->reason == MPV_END_FILE_REASON_ERROR;
        const bool wasBuffering = FPausedForCache;
        const TStreamEnd how = MpvStreamEnd(end->reason, end->error, FUnknownScheme, FHasDuration && FHasSize);
        ResetStreamState();
        FEnd = how;
        if (failed) {
            FErrors.append(MpvErrorText(FApi, end->error));
            Q_EMIT Error();
        } else if (wasBuffering) {
            Q_EMIT Buffering(false);
        }
        break;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        if (FStarted)
            FRestarted = true;
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        if (!FStarted)
            break; // values of the stream this Play replaced
        const auto* prop = static_cast<const mpv_event_property*>(event.data);
        const bool has = prop->format != MPV_FORMAT_NONE && prop->data;
        switch (event.reply_userdata) {
        case obMetadata: TakeMetadata(has ? static_cast<const mpv_node*>(prop->data) : nullptr); break;
        case obBitRate: FBitRate = has ? WholeKbps(*static_cast<const double*>(prop->data)) : 0; break;
        case obDuration: FHasDuration = has && *static_cast<const double*>(prop->data) > 0; break;
        case obFileSize: FHasSize = has && *static_cast<const qint64*>(prop->data) > 0; break;
        case obBufferingState:
            FBufferingProgress =
                has ? int(qBound<qint64>(qint64(0), *static_cast<const qint64*>(prop->data), qint64(100))) : 100;
            break;
        case obPausedForCache: {
            const bool paused = has && *static_cast<const int*>(prop->data) != 0;
            if (paused != FPausedForCache) {
                FPausedForCache = paused;
                Q_EMIT Buffering(paused);
            }
            break;
        }
        }
        break;
    }
    default: break;
    }
}
