#pragma once
// The mixer driver for a PulseAudio server (also what PipeWire serves).
//
// The server is device 0 while a connection is up, and there is no device
// while it is not. Its sinks are the destination lines, the default sink
// first; the streams playing into a sink (sink inputs) are that sink's source
// lines. Each line has a volume control (0 … 65535, one value per channel,
// 65535 standing for PA_VOLUME_NORM) and a mute switch; a stream without a
// volume of its own has only the mute switch.
//
// libpulse runs on a thread of its own. It keeps a copy of the server's sinks
// and streams up to date through a subscription, so that reads answer from
// memory at once and never wait on the server; writes go out asynchronously
// and are reflected in the copy straight away. Notifications are queued onto
// the thread that created the driver (the user-interface thread). A lost
// connection is retried every second.

#include "libMixerDriver.h"

#include <map>
#include <memory>

class TPulseMixerDriver : public IMixerDriver
{
    Q_OBJECT
public:
    // Waits up to connectWaitMs for the first connection attempt, so that a
    // server that is running is there as a device from the start.
    explicit TPulseMixerDriver(QObject* parent = nullptr, int connectWaitMs = 2000);
    ~TPulseMixerDriver() override;

    int GetNumDevs() override;
    MMRESULT Open(TMixerHandle& mixer, int deviceId, IMixerCallback* callback, quint32 flags) override;
    MMRESULT Close(TMixerHandle mixer) override;
    MMRESULT GetDevCaps(int deviceId, TMixerCaps& caps) override;
    MMRESULT GetLineInfo(TMixerHandle mixer, TMixerLine& line, quint32 flags) override;
    MMRESULT GetLineControls(TMixerHandle mixer, quint32 lineId, quint32 count,
                             std::vector<TMixerControl>& controls) override;
    MMRESULT GetControlDetails(TMixerHandle mixer, TMixerControlDetails& details, quint32 flags) override;
    MMRESULT SetControlDetails(TMixerHandle mixer, const TMixerControlDetails& details) override;

    // The mixer scale and the server's: 0 ↔ 0 (muted), 65535 ↔ PA_VOLUME_NORM
    // (100 %), linear in between with rounding to nearest, so that every
    // mixer value survives a write and a read unchanged. Volumes above 100 %
    // read as 65535.
    static quint32 PulseToMixer(quint32 volume);
    static quint32 MixerToPulse(quint32 value);

    // Line and control ids: the kind of line, which control, and the
    // server's index of the sink or stream.
    enum TLineKind : quint32 { lkSink = 1, lkSinkInput = 2 };
    enum TControlKind : quint32 { ckVolume = 0, ckMute = 1 };
    static quint32 LineId(TLineKind kind, quint32 index);
    static quint32 ControlId(TLineKind kind, quint32 index, TControlKind control);

private:
    struct TPulse;
    friend struct TPulse;

    void Deliver(quint32 msg, quint32 id);
    bool ValidHandle(TMixerHandle mixer) const;

    std::unique_ptr<TPulse> d;
    // Only touched on the user-interface thread.
    std::map<TMixerHandle, IMixerCallback*> FHandles;
    TMixerHandle FLastHandle = 0;
};
