#include "engGst.h"

#include "libBitRate.h"
#include "libConst.h"
#include "libError.h"
#include "libTitle.h"

#include <QDir>
#include <QMetaObject>
#include <QUrl>
#include <gio/gio.h>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>
#include <memory>
#include <mutex>

namespace {
// playbin's GstPlayFlags.
constexpr guint kPlayFlagAudio = 1u << 1;
constexpr guint kPlayFlagSoftVolume = 1u << 4;
constexpr guint kPlayFlagBuffering = 1u << 8;

// The decoder's queue keeps up to 2 s; below 1 % of that (20 ms) the stream
// is starved, 10 % (200 ms) is its high mark. Its buffering messages count in
// hundredths of the high mark, so the starved level reads as 10 there.
constexpr gint kQueueLowPercent = 1;
constexpr gint kQueueHighPercent = 10;
constexpr gint kStarvedMessagePercent = 100 * kQueueLowPercent / kQueueHighPercent;

// A radio stream seldom convinces a type finder beyond doubt (an MP3 stream
// here never does), so each of them runs; the FFmpeg plugin's ones load all of
// FFmpeg for that (a tenth of a second before the first sound, 30 MB). The
// base plugins' own type finders know every format a radio stream comes in,
// and the FFmpeg decoders stay available. Only this process's view of the
// registry changes; its cache on disk is left as it is.
void KeepFFmpegOutOfMp3Streams()
{
    GstRegistry* registry = gst_registry_get();
    GList* features = gst_registry_get_feature_list_by_plugin(registry, "libav");
    for (GList* item = features; item; item = item->next) {
        auto* feature = GST_PLUGIN_FEATURE(item->data);
        if (GST_IS_TYPE_FIND_FACTORY(feature))
            gst_registry_remove_feature(registry, feature);
    }
    gst_plugin_feature_list_free(features);
    // FFmpeg's MP3 decoder has the same rank as mpg123's and wins by its
    // name, loading FFmpeg before the first sound of the commonest stream.
    if (GstPluginFeature* mpg123 = gst_registry_lookup_feature(registry, "mpg123audiodec")) {
        gst_plugin_feature_set_rank(mpg123, GST_RANK_PRIMARY);
        gst_object_unref(mpg123);
    }
}

// Only a successful start is kept; gst_init_check may be tried again.
bool InitGst()
{
    static bool ok = false;
    if (!ok) {
        PrepareGstEnvironment();
        ok = gst_init_check(nullptr, nullptr, nullptr);
    }
    return ok;
}

bool HasElement(const char* name)
{
    GstElementFactory* factory = gst_element_factory_find(name);
    if (!factory)
        return false;
    gst_object_unref(factory);
    return true;
}

bool HasEngineElements()
{
    for (const char* name :
         {"playbin", "uridecodebin", "souphttpsrc", "rtspsrc", "icydemux", "audioconvert", "audioresample", "volume"})
        if (!HasElement(name))
            return false;
    return (HasElement("pulsesink") || HasElement("autoaudiosink"))
           && (HasElement("mpg123audiodec") || HasElement("avdec_mp3"));
}

struct TMessageUnref
{
    void operator()(GstMessage* m) const { gst_message_unref(m); }
};

// The HTTP source reports a certificate it refuses as a failed stream, like a
// refused connection; only its certificate database knows better. This one
// verifies as the system's does and notes each refusal for the engine.
struct KestrelTlsDatabase
{
    GTlsDatabase Parent;
    GTlsDatabase* System;
    std::atomic<quint64>* Refused; // the engine's stamp at the refusal
    quint64 Stamp;                 // the engine's stamp when the source was made
};
struct KestrelTlsDatabaseClass
{
    GTlsDatabaseClass Parent;
};
GObjectClass* WatchedParentClass = nullptr;

KestrelTlsDatabase* AsWatched(GTlsDatabase* database) { return reinterpret_cast<KestrelTlsDatabase*>(database); }

GTlsCertificateFlags WatchedVerifyChain(GTlsDatabase* database, GTlsCertificate* chain, const gchar* purpose,
                                        GSocketConnectable* identity, GTlsInteraction* interaction,
                                        GTlsDatabaseVerifyFlags flags, GCancellable* cancellable, GError** error)
{
    KestrelTlsDatabase* self = AsWatched(database);
    const GTlsCertificateFlags result =
        g_tls_database_verify_chain(self->System, chain, purpose, identity, interaction, flags, cancellable, error);
    if (result != 0)
        self->Refused->store(self->Stamp);
    return result;
}

GTlsCertificate* WatchedLookupIssuer(GTlsDatabase* database, GTlsCertificate* certificate, GTlsInteraction* interaction,
                                     GTlsDatabaseLookupFlags flags, GCancellable* cancellable, GError** error)
{
    return g_tls_database_lookup_certificate_issuer(AsWatched(database)->System, certificate, interaction, flags,
                                                    cancellable, error);
}

void WatchedFinalize(GObject* object)
{
    g_clear_object(&reinterpret_cast<KestrelTlsDatabase*>(object)->System);
    WatchedParentClass->finalize(object);
}

void WatchedClassInit(gpointer type, gpointer)
{
    WatchedParentClass = static_cast<GObjectClass*>(g_type_class_peek_parent(type));
    static_cast<GObjectClass*>(type)->finalize = WatchedFinalize;
    auto* database = static_cast<GTlsDatabaseClass*>(type);
    database->verify_chain = WatchedVerifyChain;
    database->lookup_certificate_issuer = WatchedLookupIssuer;
}

GType WatchedTlsDatabaseType()
{
    static const GType type = g_type_register_static_simple(
        G_TYPE_TLS_DATABASE, g_intern_static_string("KestrelTlsDatabase"), sizeof(KestrelTlsDatabaseClass),
        &WatchedClassInit, sizeof(KestrelTlsDatabase), nullptr, GTypeFlags(0));
    return type;
}

// Null where the system has no TLS backend or database; the source then
// keeps its own.
GTlsDatabase* NewWatchedTlsDatabase(std::atomic<quint64>* refused, quint64 stamp)
{
    GTlsBackend* backend = g_tls_backend_get_default();
    GTlsDatabase* system = backend ? g_tls_backend_get_default_database(backend) : nullptr;
    if (!system)
        return nullptr;
    auto* database = reinterpret_cast<KestrelTlsDatabase*>(g_object_new(WatchedTlsDatabaseType(), nullptr));
    database->System = system;
    database->Refused = refused;
    database->Stamp = stamp;
    return &database->Parent;
}

// A refused connection, an HTTP error (a mount answers 404 while its source
// restarts) and a broken transfer are worth another try; an address no
// element can open or data no element can decode is not.
TStreamEnd GstErrorEnd(const GError* error)
{
    if (!error)
        return TStreamEnd::seDropped;
    if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
        return TStreamEnd::seRefused;
    if (error->domain == GST_STREAM_ERROR) {
        switch (error->code) {
        case GST_STREAM_ERROR_TYPE_NOT_FOUND:
        case GST_STREAM_ERROR_WRONG_TYPE:
        case GST_STREAM_ERROR_CODEC_NOT_FOUND:
        case GST_STREAM_ERROR_DECRYPT:
        case GST_STREAM_ERROR_DECRYPT_NOKEY: return TStreamEnd::seRefused;
        default: break;
        }
    }
    return TStreamEnd::seDropped;
}
} // namespace

void PrepareGstEnvironment()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // GStreamer decodes ICY titles that are not UTF-8 as Latin-1 unless told
        // otherwise; Chinese stations send GBK. A user's own choice wins.
        if (qEnvironmentVariableIsEmpty("GST_ICY_TAG_ENCODING"))
            qputenv("GST_ICY_TAG_ENCODING", "GBK");
    });
}

bool GstEngineAvailable()
{
    static std::mutex lock;
    static bool found = false;   // a positive answer holds for the run
    static bool scanned = false; // the registry has been looked at once
    const std::lock_guard guard(lock);
    if (found)
        return true;
    if (!InitGst())
        return false;
    // Plug-ins installed since the last answer are only seen after a rescan.
    if (scanned)
        gst_update_registry();
    scanned = true;
    if (!HasEngineElements())
        return false;
    // Not before: a rescan that finds changes writes the registry cache, and
    // must not write this process's reduced view into it.
    KeepFFmpegOutOfMp3Streams();
    found = true;
    return true;
}

// The bus handler with the type GStreamer calls it through (a cast to it would
// hide a mismatch); nested, so it reaches the engine's private members.
struct TGstEngine::TBusBridge
{
    static GstBusSyncReply Sync(GstBus* bus, GstMessage* message, gpointer self);
};

TGstEngine::TGstEngine(QObject* parent) : IRealMediaEngine(parent)
{
    if (!GstEngineAvailable())
        throw EProgramError(Const::SEngineSetupFailed.arg(QStringLiteral("GStreamer")));
    FPipeline = gst_element_factory_make("playbin", "kestrel-rm");
    if (!FPipeline)
        throw EProgramError(Const::SEngineSetupFailed.arg(QStringLiteral("playbin")));
    GstElement* sink = gst_element_factory_make("pulsesink", nullptr);
    if (sink) {
        GstStructure* props = gst_structure_new("props", "application.name", G_TYPE_STRING, "Kestrel", nullptr);
        g_object_set(sink, "client-name", "kestrel-radio", "stream-properties", props, nullptr);
        gst_structure_free(props);
    } else {
        sink = gst_element_factory_make("autoaudiosink", nullptr);
    }
    if (sink)
        g_object_set(FPipeline, "audio-sink", sink, nullptr);
    g_object_set(FPipeline, "flags", kPlayFlagAudio | kPlayFlagSoftVolume | kPlayFlagBuffering, nullptr);
    // The program's volume and mute are applied by a volume element of our
    // own. playbin hands its "volume" to pulsesink whatever the flags say, and
    // a stream volume drags the whole output along on a server with flat
    // volumes; playbin's own volume is never touched.
    if (GstElement* volume = gst_element_factory_make("volume", "kestrel-volume"))
        g_object_set(FPipeline, "audio-filter", volume, nullptr);
    g_signal_connect(FPipeline, "source-setup", G_CALLBACK(&TGstEngine::SourceSetup), this);
    g_signal_connect(FPipeline, "element-setup", G_CALLBACK(&TGstEngine::ElementSetup), this);

    GstBus* bus = gst_element_get_bus(FPipeline);
    gst_bus_set_sync_handler(bus, &TBusBridge::Sync, this, nullptr);
    gst_object_unref(bus);
    ApplyVolume();
}

TGstEngine::~TGstEngine()
{
    // NULL joins the streaming threads, so no sync handler runs after this.
    gst_element_set_state(FPipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(FPipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(FPipeline);
}

GstBusSyncReply TGstEngine::TBusBridge::Sync(GstBus*, GstMessage* message, gpointer self)
{
    // Any GStreamer thread: stamp the message and hand it to the
    // user-interface thread; nothing else happens here. A handler that drops
    // the message owns its reference: the queued call takes it over.
    auto* engine = static_cast<TGstEngine*>(self);
    const quint64 stamp = engine->FStamp.load();
    std::shared_ptr<GstMessage> held(message, TMessageUnref());
    QMetaObject::invokeMethod(
        engine, [engine, stamp, held] { engine->HandleMessage(stamp, held.get()); }, Qt::QueuedConnection);
    return GST_BUS_DROP;
}

void TGstEngine::SourceSetup(GstElement* playbin, GstElement* source, void* self)
{
    GstElementFactory* factory = gst_element_get_factory(source);
    const gchar* name = factory ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)) : "";
    // A stream over TCP that stalls delivers what it held back late, all at
    // once. A sink keeping time throws that audio away as too late and stays
    // as close to the edge as before; playing it as it comes turns the stall
    // into lasting reserve instead. A live source keeps the clock, which
    // follows the sender's pace.
    GstElement* sink = nullptr;
    g_object_get(playbin, "audio-sink", &sink, nullptr);
    if (sink) {
        g_object_set(sink, "sync", gboolean(g_str_equal(name, "rtspsrc")), nullptr);
        gst_object_unref(sink);
    }
    if (g_str_equal(name, "rtspsrc")) {
        // The default 2 s jitter buffer delays the start of a radio stream by as
        // much; a tenth of that still absorbs the jitter of real networks.
        g_object_set(source, "latency", guint(100), nullptr);
    } else if (g_str_equal(name, "souphttpsrc")) {
        g_object_set(source, "user-agent", "Kestrel-Radio/2.0", nullptr);
        // Only for https: a source with a database of its own no longer
        // shares the HTTP session of the others.
        auto* engine = static_cast<TGstEngine*>(self);
        gchar* location = nullptr;
        g_object_get(source, "location", &location, nullptr);
        const bool secure = location && g_str_has_prefix(location, "https:");
        g_free(location);
        if (GTlsDatabase* database =
                secure ? NewWatchedTlsDatabase(&engine->FTlsRefused, engine->FStamp.load()) : nullptr) {
            g_object_set(source, "tls-database", database, nullptr);
            g_object_unref(database);
        }
    }
}

void TGstEngine::ElementSetup(GstElement*, GstElement* element, void*)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory)
        return;
    const gchar* name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
    if (g_str_equal(name, "queue2")) {
        // The byte buffer in front of the decoder is drained into the queues
        // behind it as fast as data arrives, so its level says nothing about
        // the reserve and would pause playback over and over.
        g_object_set(element, "use-buffering", FALSE, nullptr);
    } else if (g_str_equal(name, "decodebin")) {
        // The reserve is measured in time on the parsed audio instead: up to
        // 2 s are kept (an Icecast burst fills them at once); the stream counts
        // as buffering when less than 20 ms are left, until 200 ms are back.
        g_object_set(element, "use-buffering", TRUE, "max-size-time", guint64(2 * GST_SECOND), "low-percent",
                     kQueueLowPercent, "high-percent", kQueueHighPercent, nullptr);
    }
}

void TGstEngine::ApplyVolume()
{
    // The engine's 0 … 100 is a position on a volume slider: cubic, like the
    // sound server's own sliders, not a linear amplitude.
    const double linear = gst_stream_volume_convert_volume(
        GST_STREAM_VOLUME_FORMAT_CUBIC, GST_STREAM_VOLUME_FORMAT_LINEAR, qBound(0, FVolume, 100) / 100.0);
    GstElement* volume = nullptr;
    g_object_get(FPipeline, "audio-filter", &volume, nullptr);
    if (!volume)
        return;
    g_object_set(volume, "volume", linear, "mute", gboolean(FMute), nullptr);
    gst_object_unref(volume);
}

void TGstEngine::SetMute(bool mute)
{
    FMute = mute;
    ApplyVolume();
}

void TGstEngine::SetVolume(quint16 volume)
{
    FVolume = volume;
    ApplyVolume();
}

void TGstEngine::SetSource(const QString& address) { FSource = address.trimmed(); }

void TGstEngine::Halt()
{
    gst_element_set_state(FPipeline, GST_STATE_NULL);
    ++FStamp;
    FState = rpStopped;
    FBuffering = false;
    FBufferArmed = false;
    FLive = false;
    FPercent = 100;
    FHasDuration = false;
    FEnd = TStreamEnd::seNone;
}

void TGstEngine::DoPlay()
{
    Halt();
    FBitRate = 0;
    FNominalBitRate = 0;
    FTitle.clear();
    QByteArray uri = FSource.toUtf8();
    if (!gst_uri_is_valid(uri.constData()))
        uri = QUrl::fromLocalFile(QDir::current().absoluteFilePath(FSource)).toEncoded();
    g_object_set(FPipeline, "uri", uri.constData(), nullptr);
    FState = rpContacting;
    // Preroll paused first and play when the preroll is done. Going to PLAYING
    // at once and pausing for buffering afterwards would count the wait as
    // played time, and the sink would then drop the reserve it waited for as
    // late.
    const GstStateChangeReturn ret = gst_element_set_state(FPipeline, GST_STATE_PAUSED);
    if (ret == GST_STATE_CHANGE_FAILURE)
        return; // the error message on the bus says why
    // A live source (RTSP) has nothing to fill: buffering does not apply.
    FLive = ret == GST_STATE_CHANGE_NO_PREROLL;
    if (FLive)
        gst_element_set_state(FPipeline, GST_STATE_PLAYING);
}

void TGstEngine::DoStop() { Halt(); }

bool TGstEngine::HasDuration() const
{
    // A live stream answers no length, or none worth the name.
    gint64 duration = -1;
    return gst_element_query_duration(FPipeline, GST_FORMAT_TIME, &duration) && duration > 0;
}

void TGstEngine::HandleMessage(quint64 stamp, GstMessage* message)
{
    if (stamp != FStamp.load())
        return; // from a stream that a later Play or Stop replaced
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        const QString text = error && error->message ? QString::fromUtf8(error->message) : Const::SEngineOpenFailed;
        const int code = error ? error->code : 0;
        const TStreamEnd how = FTlsRefused.load() == stamp ? TStreamEnd::seRefused : GstErrorEnd(error);
        g_clear_error(&error);
        g_free(debug);
        // playbin cannot go on after an error; the stream is over.
        Halt();
        FEnd = how;
        Q_EMIT ErrorMessage(2, code, 0, text, QString(), text);
        break;
    }
    case GST_MESSAGE_EOS: {
        const bool clip = FHasDuration || HasDuration();
        Halt();
        FEnd = clip ? TStreamEnd::seFinished : TStreamEnd::seDropped;
        break;
    }
    case GST_MESSAGE_ASYNC_DONE:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(FPipeline))
            FHasDuration = FHasDuration || HasDuration();
        // Prerolled; with no buffering going on there is nothing to wait for.
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(FPipeline) && !FBuffering && !FLive && FState != rpStopped)
            gst_element_set_state(FPipeline, GST_STATE_PLAYING);
        break;
    case GST_MESSAGE_STATE_CHANGED: {
        if (GST_MESSAGE_SRC(message) != GST_OBJECT(FPipeline))
            break;
        GstState oldState, newState, pending;
        gst_message_parse_state_changed(message, &oldState, &newState, &pending);
        if (newState == GST_STATE_PLAYING)
            FState = rpPlaying;
        else if (newState == GST_STATE_PAUSED && FBuffering)
            FState = rpBuffering;
        break;
    }
    case GST_MESSAGE_BUFFERING: {
        if (FLive)
            break;
        gint percent = 0;
        gst_message_parse_buffering(message, &percent);
        // Playback starts with the preroll; the queue reports < 100 % until it
        // first reaches its high mark while playing, and only a drop after
        // that is a real underrun. The pipeline plays on through it: the queue
        // runs dry while the sound server still holds audio, so pausing there
        // would itself cut the sound, and the sink plays what arrives late as
        // it comes (see SourceSetup). Since the sink drains the queue as it
        // fills, the queue hardly ever gets back to its high mark: the stream
        // counts as buffering only while the queue is starved.
        if (percent >= 100)
            FBufferArmed = FBufferArmed || FState == rpPlaying;
        const bool starved = FBufferArmed && percent < kStarvedMessagePercent;
        if (starved != FBuffering) {
            FBuffering = starved;
            FState = starved ? rpBuffering : rpPlaying;
        }
        // While playing on, the queue's own fill level is no buffering the
        // listener waits for: report 100 then.
        const int shown = FBuffering ? percent : 100;
        if (shown != FPercent) {
            FPercent = shown;
            Q_EMIT Buffering(0, shown);
        }
        break;
    }
    case GST_MESSAGE_TAG: {
        GstTagList* tags = nullptr;
        gst_message_parse_tag(message, &tags);
        guint rate = 0;
        // The parser's bit rate is an average over the frames so far, a few
        // bits around the nominal value (127999 for 128k); whole kbit/s keep
        // the player from cutting it to 127. Tags are unsigned: a bogus one
        // beyond an int is clamped, not turned negative.
        if (gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &rate) && rate > 0)
            FBitRate = WholeKbps(rate);
        if (gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &rate) && rate > 0)
            FNominalBitRate = WholeKbps(rate);
        gchar* title = nullptr;
        if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &title)
            || (gst_tag_exists("StreamTitle") && gst_tag_list_get_string(tags, "StreamTitle", &title))) {
            FTitle = NormaliseTitle(QString::fromUtf8(title));
            g_free(title);
        }
        gst_tag_list_unref(tags);
        break;
    }
    case GST_MESSAGE_CLOCK_LOST:
        // The sink's clock went away (e.g. the sound server restarted): pick a
        // new one. The pipeline plays on through buffering, so this applies then too.
        gst_element_set_state(FPipeline, GST_STATE_PAUSED);
        gst_element_set_state(FPipeline, GST_STATE_PLAYING);
        break;
    case GST_MESSAGE_LATENCY: gst_bin_recalculate_latency(GST_BIN(FPipeline)); break;
    default: break;
    }
}
