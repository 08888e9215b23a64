#pragma once
// A scripted mixer device for the mixer model's tests. Devices are plain data:
// lines with their controls, the values and item texts of each control, and
// switches that make a query or an open fail. The fake is strict about
// buffers: a value or text buffer whose size does not match the control's
// channels and items is refused, as a real driver would.

#include "libMixerDriver.h"

#include <map>
#include <vector>

struct TFakeControl
{
    TMixerControl info;
    std::vector<quint32> values;       // channels × max(items, 1)
    std::vector<TMixerListText> texts; // channels × items
    bool failGet = false;
    bool failText = false;
};

struct TFakeLine
{
    TMixerLine info; // dwDestination, dwSource, cConnections, cControls are filled in
    std::vector<TFakeControl> controls;
    std::vector<TFakeLine> sources; // for destinations
    bool failInfo = false;
    bool failControls = false;
};

struct TFakeDevice
{
    TMixerCaps caps; // cDestinations is filled in
    std::vector<TFakeLine> destinations;
    int failingOpens = 0; // how many open attempts fail first
};

class TFakeMixerDriver : public IMixerDriver
{
    Q_OBJECT
public:
    struct TOpenCall
    {
        int device;
        bool callback;
        quint32 flags;
        MMRESULT result;
    };

    std::vector<TFakeDevice> Devices;
    std::vector<TOpenCall> Opens;
    std::vector<TMixerControlDetails> Writes;

    int OpenHandles() const { return int(FHandles.size()); }
    // Sends a message to every handle opened with a callback, as a device would.
    void Notify(quint32 msg, quint32 id);
    // The device set changed (a server went or came).
    void ChangeDevices() { Q_EMIT DevicesChanged(); }
    TFakeControl* FindControl(quint32 controlId);

    // Builders. Ids: line ids are given, control ids are line id + 1, + 2, ...
    static TFakeLine Line(quint32 lineId, quint32 channels, const QString& name);
    static TFakeControl& AddVolume(TFakeLine& line, std::vector<quint32> values, quint32 flags = 0);
    static TFakeControl& AddMute(TFakeLine& line, bool mute, quint32 flags = MIXERCONTROL_CONTROLF_UNIFORM);
    // A single-select source selector listing the given lines; selected is the
    // index of the selected one or -1.
    static TFakeControl& AddMux(TFakeLine& line, const std::vector<quint32>& lineIds, int selected);

    int GetNumDevs() override { return int(Devices.size()); }
    MMRESULT Open(TMixerHandle& mixer, int deviceId, IMixerCallback* callback, quint32 flags) override;
    MMRESULT Close(TMixerHandle mixer) override;
    MMRESULT GetDevCaps(int deviceId, TMixerCaps& caps) override;
    MMRESULT GetLineInfo(TMixerHandle mixer, TMixerLine& line, quint32 flags) override;
    MMRESULT GetLineControls(TMixerHandle mixer, quint32 lineId, quint32 count,
                             std::vector<TMixerControl>& controls) override;
    MMRESULT GetControlDetails(TMixerHandle mixer, TMixerControlDetails& details, quint32 flags) override;
    MMRESULT SetControlDetails(TMixerHandle mixer, const TMixerControlDetails& details) override;

private:
    struct THandle
    {
        int device;
        IMixerCallback* callback;
    };
    TFakeDevice* DeviceOf(TMixerHandle mixer);
    TFakeLine* FindLine(TFakeDevice& device, quint32 lineId);

    std::map<TMixerHandle, THandle> FHandles;
    TMixerHandle FLast = 0;
};
