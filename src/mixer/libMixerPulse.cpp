#include "libMixerPulse.h"

#include "KestrelVersion.h"
#include "libConst.h"

#include <QMetaObject>
#include <QStringList>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace {

constexpr quint32 kIndexMask = 0x07FFFFFFu;
constexpr pa_usec_t kRetryUsec = 1000 * 1000;

struct TCachedLine
{
    quint32 index = 0;
    quint32 sink = 0; // streams: the sink they play into
    QString name;
    QString description;
    pa_channel_map map{};
    pa_cvolume volume{}; // what reads answer: the server's, or our last write
    bool mute = false;
    pa_cvolume reported{}; // the server's last word, to tell real changes
    bool reportedMute = false;
    bool hasVolume = true;
    bool volumeWritable = true;
};

} // namespace

struct TPulseMixerDriver::TPulse
{
    TPulseMixerDriver* q = nullptr;
    pa_threaded_mainloop* loop = nullptr;
    pa_mainloop_api* api = nullptr;
    pa_context* ctx = nullptr;
    pa_time_event* retry = nullptr;

    // Everything below is guarded by the mainloop lock.
    bool ready = false;
    int pendingLoad = 0;
    bool devicesPosted = false;
    QString serverName;
    QString serverVersion;
    QString defaultSink;
    std::map<quint32, TCachedLine> sinks;
    std::map<quint32, TCachedLine> inputs;

    // The constructor's wait for the first attempt.
    std::mutex waitMutex;
    std::condition_variable waitDone;
    bool constructorWaiting = false;
    bool firstAttemptDone = false;

    struct TLock
    {
        explicit TLock(pa_threaded_mainloop* l) : loop(l) { pa_threaded_mainloop_lock(loop); }
        ~TLock() { pa_threaded_mainloop_unlock(loop); }
        pa_threaded_mainloop* loop;
    };

    // ---- called on the libpulse thread, with the lock held

    void Connect()
    {
        ctx = pa_context_new(api, QString::fromUtf16(KESTREL_PRODUCT_NAME).toUtf8().constData());
        pa_context_set_state_callback(ctx, &TPulse::OnState, this);
        // Never start a server of our own: a desktop has one, or it has none.
        if (pa_context_connect(ctx, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            Lost();
    }

    void DropContext()
    {
        if (!ctx)
            return;
        pa_context_set_state_callback(ctx, nullptr, nullptr);
        pa_context_set_subscribe_callback(ctx, nullptr, nullptr);
        pa_context_disconnect(ctx);
        pa_context_unref(ctx);
        ctx = nullptr;
    }

    void ScheduleRetry()
    {
        if (retry)
            return;
        timeval tv;
        pa_gettimeofday(&tv);
        pa_timeval_add(&tv, kRetryUsec);
        retry = api->time_new(api, &tv, &TPulse::OnRetry, this);
    }

    static void OnRetry(pa_mainloop_api* api, pa_time_event* e, const timeval*, void* userdata)
    {
        auto* p = static_cast<TPulse*>(userdata);
        api->time_free(e);
        p->retry = nullptr;
        p->DropContext();
        p->Connect();
    }

    void Lost()
    {
        const bool wasReady = ready;
        ready = false;
        pendingLoad = 0;
        sinks.clear();
        inputs.clear();
        defaultSink.clear();
        // The context is dropped by the retry, not here: this may run inside
        // the context's own callback.
        ScheduleRetry();
        FirstAttemptDone();
        if (wasReady)
            PostDevicesChanged();
    }

    static void OnState(pa_context* c, void* userdata)
    {
        auto* p = static_cast<TPulse*>(userdata);
        if (c != p->ctx)
            return;
        switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY: {
            pa_context_set_subscribe_callback(c, &TPulse::OnEvent, p);
            const auto mask = pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SINK_INPUT
                                                     | PA_SUBSCRIPTION_MASK_SERVER);
            Unref(pa_context_subscribe(c, mask, nullptr, nullptr));
            p->pendingLoad = 3;
            Unref(pa_context_get_server_info(c, &TPulse::OnServerInfo, p));
            Unref(pa_context_get_sink_info_list(c, &TPulse::OnSinkInfo, p));
            Unref(pa_context_get_sink_input_info_list(c, &TPulse::OnSinkInputInfo, p));
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED: p->Lost(); break;
        default: break;
        }
    }

    static void Unref(pa_operation* o)
    {
        if (o)
            pa_operation_unref(o);
    }

    void LoadStepDone()
    {
        if (pendingLoad <= 0 || --pendingLoad > 0)
            return;
        ready = true;
        std::unique_lock<std::mutex> guard(waitMutex);
        const bool waited = constructorWaiting;
        firstAttemptDone = true;
        guard.unlock();
        waitDone.notify_all();
        // While the constructor still waits, the device is simply there when
        // it returns; later arrivals must be announced.
        if (!waited)
            PostDevicesChanged();
    }

    void FirstAttemptDone()
    {
        {
            std::lock_guard<std::mutex> guard(waitMutex);
            firstAttemptDone = true;
        }
        waitDone.notify_all();
    }

    static void OnServerInfo(pa_context* c, const pa_server_info* info, void* userdata)
    {
        auto* p = static_cast<TPulse*>(userdata);
        if (c != p->ctx)
            return;
        if (info) {
            const QString sink = QString::fromUtf8(info->default_sink_name ? info->default_sink_name : "");
            const bool moved = sink != p->defaultSink;
            p->defaultSink = sink;
            p->serverName = QString::fromUtf8(info->server_name ? info->server_name : "");
            p->serverVersion = QString::fromUtf8(info->server_version ? info->server_version : "");
            if (moved && p->ready)
                p->PostDevicesChanged();
        }
        if (!p->ready)
            p->LoadStepDone();
    }

    // Takes the server's word for a line and tells what changed.
    void Update(TLineKind kind, TCachedLine& line, bool isNew, const pa_channel_map& map, const pa_cvolume& volume,
                bool mute)
    {
        const bool volumeChanged = !isNew && !pa_cvolume_equal(&line.reported, &volume);
        const bool muteChanged = !isNew && line.reportedMute != mute;
        const bool layoutChanged = isNew || !pa_channel_map_equal(&line.map, &map);
        line.map = map;
        line.volume = line.reported = volume;
        line.mute = line.reportedMute = mute;
        if (!ready)
            return;
        if (layoutChanged) {
            PostDevicesChanged();
            return;
        }
        if (volumeChanged)
            PostMessage(MM_MIXM_CONTROL_CHANGE, ControlId(kind, line.index, ckVolume));
        if (muteChanged)
            PostMessage(MM_MIXM_CONTROL_CHANGE, ControlId(kind, line.index, ckMute));
    }

    static void OnSinkInfo(pa_context* c, const pa_sink_info* info, int eol, void* userdata)
    {
        auto* p = static_cast<TPulse*>(userdata);
        if (c != p->ctx)
            return;
        if (eol) {
            if (!p->ready)
                p->LoadStepDone();
            return;
        }
        const bool isNew = p->sinks.find(info->index) == p->sinks.end();
        TCachedLine& line = p->sinks[info->index];
        line.index = info->index;
        line.name = QString::fromUtf8(info->name ? info->name : "");
        line.description = QString::fromUtf8(info->description ? info->description : "");
        p->Update(lkSink, line, isNew, info->channel_map, info->volume, info->mute != 0);
    }

    static void OnSinkInputInfo(pa_context* c, const pa_sink_input_info* info, int eol, void* userdata)
    {
        auto* p = static_cast<TPulse*>(userdata);
        if (c != p->ctx)
            return;
        if (eol) {
            if (!p->ready)
                p->LoadStepDone();
            return;
        }
        const auto found = p->inputs.find(info->index);
        const bool isNew = found == p->inputs.end();
        const bool moved = !isNew && found->second.sink != info->sink;
        const bool volumeKind = !isNew
                                && (found->second.hasVolume != (info->has_volume != 0)
                                    || found->second.volumeWritable != (info->volume_writable != 0));
        TCachedLine& line = p->inputs[info->index];
        line.index = info->index;
        line.sink = info->sink;
        const char* app = info->proplist ? pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_NAME) : nullptr;
        line.name = QString::fromUtf8(app ? app : (info->name ? info->name : ""));
        line.description = QString::fromUtf8(info->name ? info->name : "");
        line.hasVolume = info->has_volume != 0;
        line.volumeWritable = info->volume_writable != 0;
        if ((moved || volumeKind) && p->ready)
            p->PostDevicesChanged();
        p->Update(lkSinkInput, line, isNew, info->channel_map, info->volume, info->mute != 0);
    }

    static void OnEvent(pa_context* c, pa_subscription_event_type_t t, uint32_t index, void* userdata)
    {
        auto* p = static_cast<TPulse*>(userdata);
        if (c != p->ctx)
            return;
        const unsigned facility = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const unsigned type = t & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
            Unref(pa_context_get_server_info(c, &TPulse::OnServerInfo, p));
        } else if (facility == PA_SUBSCRIPTION_EVENT_SINK) {
            if (type == PA_SUBSCRIPTION_EVENT_REMOVE) {
                if (p->sinks.erase(index) && p->ready)
                    p->PostDevicesChanged();
            } else {
                Unref(pa_context_get_sink_info_by_index(c, index, &TPulse::OnSinkInfo, p));
            }
        } else if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT) {
            if (type == PA_SUBSCRIPTION_EVENT_REMOVE) {
                if (p->inputs.erase(index) && p->ready)
                    p->PostDevicesChanged();
            } else {
                Unref(pa_context_get_sink_input_info(c, index, &TPulse::OnSinkInputInfo, p));
            }
        }
    }

    void PostMessage(quint32 msg, quint32 id)
    {
        TPulseMixerDriver* driver = q;
        QMetaObject::invokeMethod(
            driver, [driver, msg, id] { driver->Deliver(msg, id); }, Qt::QueuedConnection);
    }

    // A burst of arrivals and departures becomes one announcement.
    void PostDevicesChanged()
    {
        if (devicesPosted)
            return;
        devicesPosted = true;
        TPulseMixerDriver* driver = q;
        QMetaObject::invokeMethod(
            driver,
            [driver] {
                {
                    TLock lock(driver->d->loop);
                    driver->d->devicesPosted = false;
                }
                Q_EMIT driver->DevicesChanged();
            },
            Qt::QueuedConnection);
    }

    // ---- called on the user-interface thread, with the lock held

    // Sinks in destination order: the default sink first, then by index.
    std::vector<const TCachedLine*> Destinations() const
    {
        std::vector<const TCachedLine*> list;
        for (const auto& [index, sink] : sinks)
            list.push_back(&sink);
        std::stable_partition(list.begin(), list.end(),
                              [this](const TCachedLine* s) { return s->name == defaultSink; });
        return list;
    }

    std::vector<const TCachedLine*> Sources(quint32 sink) const
    {
        std::vector<const TCachedLine*> list;
        for (const auto& [index, input] : inputs) {
            if (input.sink == sink)
                list.push_back(&input);
        }
        return list;
    }

    TCachedLine* Find(quint32 kind, quint32 index)
    {
        auto& table = kind == lkSink ? sinks : inputs;
        for (auto& [key, line] : table) {
            if ((key & kIndexMask) == index)
                return &line;
        }
        return nullptr;
    }

    static quint32 ControlCount(TLineKind kind, const TCachedLine& line)
    {
        return kind == lkSinkInput && !line.hasVolume ? 1 : 2;
    }

    static void FillLine(TLineKind kind, const TCachedLine& line, quint32 connections, TMixerLine& out)
    {
        out.dwLineID = LineId(kind, line.index);
        out.fdwLine = MIXERLINE_LINEF_ACTIVE | (kind == lkSinkInput ? MIXERLINE_LINEF_SOURCE : 0);
        out.cChannels = line.map.channels;
        out.cConnections = connections;
        out.cControls = ControlCount(kind, line);
        out.szShortName = line.name;
        out.szName = line.description;
    }
};

// ---------------------------------------------------------------- ids and scale

quint32 TPulseMixerDriver::LineId(TLineKind kind, quint32 index)
{
    return (quint32(kind) << 28) | (index & kIndexMask);
}

quint32 TPulseMixerDriver::ControlId(TLineKind kind, quint32 index, TControlKind control)
{
    return LineId(kind, index) | (quint32(control) << 27);
}

quint32 TPulseMixerDriver::PulseToMixer(quint32 volume)
{
    if (volume >= PA_VOLUME_NORM)
        return 65535;
    return quint32((quint64(volume) * 65535 + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM);
}

quint32 TPulseMixerDriver::MixerToPulse(quint32 value)
{
    value = std::min<quint32>(value, 65535);
    return quint32((quint64(value) * PA_VOLUME_NORM + 65535 / 2) / 65535);
}

// ---------------------------------------------------------------- driver

TPulseMixerDriver::TPulseMixerDriver(QObject* parent, int connectWaitMs)
    : IMixerDriver(parent), d(std::make_unique<TPulse>())
{
    d->q = this;
    d->loop = pa_threaded_mainloop_new();
    d->api = pa_threaded_mainloop_get_api(d->loop);
    {
        std::lock_guard<std::mutex> guard(d->waitMutex);
        d->constructorWaiting = true;
    }
    pa_threaded_mainloop_start(d->loop);
    {
        TPulse::TLock lock(d->loop);
        d->Connect();
    }
    std::unique_lock<std::mutex> guard(d->waitMutex);
    d->waitDone.wait_for(guard, std::chrono::milliseconds(connectWaitMs), [this] { return d->firstAttemptDone; });
    d->constructorWaiting = false;
}

TPulseMixerDriver::~TPulseMixerDriver()
{
    {
        TPulse::TLock lock(d->loop);
        if (d->retry) {
            d->api->time_free(d->retry);
            d->retry = nullptr;
        }
        d->DropContext();
    }
    pa_threaded_mainloop_stop(d->loop);
    pa_threaded_mainloop_free(d->loop);
}

void TPulseMixerDriver::Deliver(quint32 msg, quint32 id)
{
    // A callback may close or open handles; walk a copy and skip the closed.
    const auto handles = FHandles;
    for (const auto& [handle, callback] : handles) {
        if (callback && FHandles.count(handle))
            callback->MixerMessage(msg, handle, id);
    }
}

bool TPulseMixerDriver::ValidHandle(TMixerHandle mixer) const { return FHandles.count(mixer) != 0; }

int TPulseMixerDriver::GetNumDevs()
{
    TPulse::TLock lock(d->loop);
    return d->ready ? 1 : 0;
}

MMRESULT TPulseMixerDriver::Open(TMixerHandle& mixer, int deviceId, IMixerCallback* callback, quint32 flags)
{
    if ((flags & CALLBACK_WINDOW) != 0 && !callback)
        return MMSYSERR_INVALPARAM;
    {
        TPulse::TLock lock(d->loop);
        if (deviceId != 0 || !d->ready)
            return MMSYSERR_BADDEVICEID;
    }
    mixer = ++FLastHandle;
    FHandles[mixer] = (flags & CALLBACK_WINDOW) != 0 ? callback : nullptr;
    return MMSYSERR_NOERROR;
}

MMRESULT TPulseMixerDriver::Close(TMixerHandle mixer)
{
    return FHandles.erase(mixer) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT TPulseMixerDriver::GetDevCaps(int deviceId, TMixerCaps& caps)
{
    TPulse::TLock lock(d->loop);
    if (deviceId != 0 || !d->ready)
        return MMSYSERR_BADDEVICEID;
    caps = TMixerCaps();
    // No maker id exists for a sound server; 0 is none of the known makers.
    caps.wMid = 0;
    caps.wPid = 0;
    const QStringList parts = d->serverVersion.split(u'.');
    const quint32 major = parts.value(0).toUInt() & 0xFF;
    const quint32 minor = parts.value(1).toUInt() & 0xFF;
    caps.vDriverVersion = (major << 8) | minor;
    caps.szPname = d->serverName;
    caps.cDestinations = quint32(d->sinks.size());
    return MMSYSERR_NOERROR;
}

MMRESULT TPulseMixerDriver::GetLineInfo(TMixerHandle mixer, TMixerLine& line, quint32 flags)
{
    if (!ValidHandle(mixer))
        return MMSYSERR_INVALHANDLE;
    TPulse::TLock lock(d->loop);
    if (!d->ready)
        return MMSYSERR_NODRIVER;
    const auto destinations = d->Destinations();
    if (line.dwDestination >= destinations.size())
        return MIXERR_INVALLINE;
    const TCachedLine& sink = *destinations[line.dwDestination];
    const auto sources = d->Sources(sink.index);
    if (flags == MIXER_GETLINEINFOF_DESTINATION) {
        TPulse::FillLine(lkSink, sink, quint32(sources.size()), line);
        return MMSYSERR_NOERROR;
    }
    if (flags == MIXER_GETLINEINFOF_SOURCE) {
        if (line.dwSource >= sources.size())
            return MIXERR_INVALLINE;
        TPulse::FillLine(lkSinkInput, *sources[line.dwSource], 0, line);
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_INVALPARAM;
}

MMRESULT TPulseMixerDriver::GetLineControls(TMixerHandle mixer, quint32 lineId, quint32 count,
                                            std::vector<TMixerControl>& controls)
{
    if (!ValidHandle(mixer))
        return MMSYSERR_INVALHANDLE;
    TPulse::TLock lock(d->loop);
    if (!d->ready)
        return MMSYSERR_NODRIVER;
    const auto kind = TLineKind(lineId >> 28);
    const TCachedLine* line = d->Find(kind, lineId & kIndexMask);
    if (!line)
        return MIXERR_INVALLINE;
    if (count != TPulse::ControlCount(kind, *line))
        return MMSYSERR_INVALPARAM;
    controls.assign(count, TMixerControl());
    size_t n = 0;
    if (kind == lkSink || line->hasVolume) {
        TMixerControl& volume = controls[n++];
        volume.dwControlID = ControlId(kind, line->index, ckVolume);
        volume.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
        volume.fdwControl = line->volumeWritable ? 0 : MIXERCONTROL_CONTROLF_DISABLED;
        volume.szShortName = volume.szName = Const::SMixerVolumeControl;
        volume.lMinimum = 0;
        volume.lMaximum = 65535;
    }
    TMixerControl& mute = controls[n];
    mute.dwControlID = ControlId(kind, line->index, ckMute);
    mute.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    mute.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    mute.szShortName = mute.szName = Const::SMixerMuteControl;
    mute.lMinimum = 0;
    mute.lMaximum = 1;
    return MMSYSERR_NOERROR;
}

MMRESULT TPulseMixerDriver::GetControlDetails(TMixerHandle mixer, TMixerControlDetails& details, quint32 flags)
{
    if (!ValidHandle(mixer))
        return MMSYSERR_INVALHANDLE;
    if (flags != MIXER_GETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALPARAM; // no control here has items
    TPulse::TLock lock(d->loop);
    if (!d->ready)
        return MMSYSERR_NODRIVER;
    const auto kind = TLineKind(details.dwControlID >> 28);
    const auto control = TControlKind((details.dwControlID >> 27) & 1);
    const TCachedLine* line = d->Find(kind, details.dwControlID & kIndexMask);
    if (!line || (control == ckVolume && kind == lkSinkInput && !line->hasVolume))
        return MIXERR_INVALCONTROL;
    if (control == ckMute) {
        std::fill(details.values.begin(), details.values.end(), line->mute ? 1u : 0u);
        return MMSYSERR_NOERROR;
    }
    const quint32 loudest = PulseToMixer(pa_cvolume_max(&line->volume));
    for (size_t c = 0; c < details.values.size(); ++c) {
        details.values[c] =
            details.cChannels > 1 && c < line->volume.channels ? PulseToMixer(line->volume.values[c]) : loudest;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT TPulseMixerDriver::SetControlDetails(TMixerHandle mixer, const TMixerControlDetails& details)
{
    if (!ValidHandle(mixer))
        return MMSYSERR_INVALHANDLE;
    if (details.values.empty())
        return MMSYSERR_INVALPARAM;
    TPulse::TLock lock(d->loop);
    if (!d->ready || !d->ctx)
        return MMSYSERR_NODRIVER;
    const auto kind = TLineKind(details.dwControlID >> 28);
    const auto control = TControlKind((details.dwControlID >> 27) & 1);
    TCachedLine* line = d->Find(kind, details.dwControlID & kIndexMask);
    if (!line)
        return MIXERR_INVALCONTROL;

    pa_operation* op = nullptr;
    if (control == ckMute) {
        const int mute = details.values[0] != 0 ? 1 : 0;
        op = kind == lkSink ? pa_context_set_sink_mute_by_index(d->ctx, line->index, mute, nullptr, nullptr)
                            : pa_context_set_sink_input_mute(d->ctx, line->index, mute, nullptr, nullptr);
        if (op)
            line->mute = mute != 0;
    } else {
        if (kind == lkSinkInput && (!line->hasVolume || !line->volumeWritable))
            return MIXERR_INVALCONTROL;
        // One value per channel of the line's own channel map; a single value
        // (a mono control) moves every channel.
        pa_cvolume volume;
        pa_cvolume_init(&volume);
        volume.channels = line->map.channels;
        const quint32 loudest = *std::max_element(details.values.begin(), details.values.end());
        for (quint8 c = 0; c < volume.channels; ++c) {
            const quint32 value = details.values.size() == 1  ? details.values[0]
                                  : c < details.values.size() ? details.values[c]
                                                              : loudest;
            volume.values[c] = MixerToPulse(value);
        }
        if (!pa_cvolume_valid(&volume))
            return MMSYSERR_INVALPARAM;
        // Only the line that was asked for is written; what a stream's change
        // does to its sink under flat volumes is the server's business.
        op = kind == lkSink ? pa_context_set_sink_volume_by_index(d->ctx, line->index, &volume, nullptr, nullptr)
                            : pa_context_set_sink_input_volume(d->ctx, line->index, &volume, nullptr, nullptr);
        if (op)
            line->volume = volume;
    }
    if (!op)
        return MMSYSERR_ERROR;
    pa_operation_unref(op);
    return MMSYSERR_NOERROR;
}
