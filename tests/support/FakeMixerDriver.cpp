#include "FakeMixerDriver.h"

#include <algorithm>

TFakeLine TFakeMixerDriver::Line(quint32 lineId, quint32 channels, const QString& name)
{
    TFakeLine line;
    line.info.dwLineID = lineId;
    line.info.cChannels = channels;
    line.info.szShortName = name;
    line.info.szName = name;
    return line;
}

static TFakeControl& AddControl(TFakeLine& line, quint32 type, quint32 flags)
{
    TFakeControl control;
    control.info.dwControlID = line.info.dwLineID + quint32(line.controls.size()) + 1;
    control.info.dwControlType = type;
    control.info.fdwControl = flags;
    line.controls.push_back(control);
    return line.controls.back();
}

TFakeControl& TFakeMixerDriver::AddVolume(TFakeLine& line, std::vector<quint32> values, quint32 flags)
{
    TFakeControl& control = AddControl(line, MIXERCONTROL_CONTROLTYPE_VOLUME, flags);
    control.info.lMaximum = 65535;
    control.values = std::move(values);
    return control;
}

TFakeControl& TFakeMixerDriver::AddMute(TFakeLine& line, bool mute, quint32 flags)
{
    TFakeControl& control = AddControl(line, MIXERCONTROL_CONTROLTYPE_MUTE, flags);
    control.info.lMaximum = 1;
    const quint32 channels = (flags & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.info.cChannels;
    control.values.assign(channels, mute ? 1 : 0);
    return control;
}

TFakeControl& TFakeMixerDriver::AddMux(TFakeLine& line, const std::vector<quint32>& lineIds, int selected)
{
    TFakeControl& control =
        AddControl(line, MIXERCONTROL_CONTROLTYPE_MUX, MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE);
    control.info.cMultipleItems = quint32(lineIds.size());
    control.values.assign(lineIds.size(), 0);
    if (selected >= 0)
        control.values[size_t(selected)] = 1;
    for (quint32 id : lineIds)
        control.texts.push_back(TMixerListText{id, 0, QStringLiteral("source %1").arg(id)});
    return control;
}

void TFakeMixerDriver::Notify(quint32 msg, quint32 id)
{
    const auto handles = FHandles;
    for (const auto& [handle, h] : handles) {
        if (h.callback && FHandles.count(handle))
            h.callback->MixerMessage(msg, handle, id);
    }
}

MMRESULT TFakeMixerDriver::Open(TMixerHandle& mixer, int deviceId, IMixerCallback* callback, quint32 flags)
{
    MMRESULT result = MMSYSERR_NOERROR;
    if (deviceId < 0 || deviceId >= int(Devices.size()))
        result = MMSYSERR_BADDEVICEID;
    else if (((flags & CALLBACK_WINDOW) != 0) != (callback != nullptr))
        result = MMSYSERR_INVALPARAM;
    else if (Devices[size_t(deviceId)].failingOpens > 0) {
        --Devices[size_t(deviceId)].failingOpens;
        result = MMSYSERR_ERROR;
    }
    Opens.push_back(TOpenCall{deviceId, callback != nullptr, flags, result});
    if (result != MMSYSERR_NOERROR)
        return result;
    mixer = ++FLast;
    FHandles[mixer] = THandle{deviceId, callback};
    return MMSYSERR_NOERROR;
}

MMRESULT TFakeMixerDriver::Close(TMixerHandle mixer)
{
    return FHandles.erase(mixer) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT TFakeMixerDriver::GetDevCaps(int deviceId, TMixerCaps& caps)
{
    if (deviceId < 0 || deviceId >= int(Devices.size()))
        return MMSYSERR_BADDEVICEID;
    caps = Devices[size_t(deviceId)].caps;
    caps.cDestinations = quint32(Devices[size_t(deviceId)].destinations.size());
    return MMSYSERR_NOERROR;
}

TFakeDevice* TFakeMixerDriver::DeviceOf(TMixerHandle mixer)
{
    const auto found = FHandles.find(mixer);
    if (found == FHandles.end() || found->second.device >= int(Devices.size()))
        return nullptr;
    return &Devices[size_t(found->second.device)];
}

TFakeLine* TFakeMixerDriver::FindLine(TFakeDevice& device, quint32 lineId)
{
    for (TFakeLine& dest : device.destinations) {
        if (dest.info.dwLineID == lineId)
            return &dest;
        for (TFakeLine& source : dest.sources) {
            if (source.info.dwLineID == lineId)
                return &source;
        }
    }
    return nullptr;
}

TFakeControl* TFakeMixerDriver::FindControl(quint32 controlId)
{
    for (TFakeDevice& device : Devices) {
        for (TFakeLine& dest : device.destinations) {
            for (TFakeControl& c : dest.controls) {
                if (c.info.dwControlID == controlId)
                    return &c;
            }
            for (TFakeLine& source : dest.sources) {
                for (TFakeControl& c : source.controls) {
                    if (c.info.dwControlID == controlId)
                        return &c;
                }
            }
        }
    }
    return nullptr;
}

MMRESULT TFakeMixerDriver::GetLineInfo(TMixerHandle mixer, TMixerLine& line, quint32 flags)
{
    TFakeDevice* device = DeviceOf(mixer);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (line.dwDestination >= device->destinations.size())
        return MIXERR_INVALLINE;
    const TFakeLine& dest = device->destinations[line.dwDestination];
    const TFakeLine* found = &dest;
    if (flags == MIXER_GETLINEINFOF_SOURCE) {
        if (line.dwSource >= dest.sources.size())
            return MIXERR_INVALLINE;
        found = &dest.sources[line.dwSource];
    } else if (flags != MIXER_GETLINEINFOF_DESTINATION) {
        return MMSYSERR_INVALPARAM;
    }
    if (found->failInfo)
        return MIXERR_INVALLINE;
    const TMixerLine asked = line;
    line = found->info;
    line.dwDestination = asked.dwDestination;
    line.dwSource = flags == MIXER_GETLINEINFOF_SOURCE ? asked.dwSource : 0;
    line.cConnections = flags == MIXER_GETLINEINFOF_SOURCE ? 0 : quint32(dest.sources.size());
    line.cControls = quint32(found->controls.size());
    return MMSYSERR_NOERROR;
}

MMRESULT TFakeMixerDriver::GetLineControls(TMixerHandle mixer, quint32 lineId, quint32 count,
                                           std::vector<TMixerControl>& controls)
{
    TFakeDevice* device = DeviceOf(mixer);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    TFakeLine* line = FindLine(*device, lineId);
    if (!line || line->failControls)
        return MIXERR_INVALLINE;
    if (count != line->controls.size() || controls.size() != count)
        return MMSYSERR_INVALPARAM;
    for (size_t i = 0; i < count; ++i)
        controls[i] = line->controls[i].info;
    return MMSYSERR_NOERROR;
}

MMRESULT TFakeMixerDriver::GetControlDetails(TMixerHandle mixer, TMixerControlDetails& details, quint32 flags)
{
    if (!DeviceOf(mixer))
        return MMSYSERR_INVALHANDLE;
    TFakeControl* control = FindControl(details.dwControlID);
    if (!control)
        return MIXERR_INVALCONTROL;
    if (flags == MIXER_GETCONTROLDETAILSF_VALUE) {
        if (control->failGet)
            return MMSYSERR_ERROR;
        if (details.values.size() != control->values.size())
            return MMSYSERR_INVALPARAM;
        details.values = control->values;
        return MMSYSERR_NOERROR;
    }
    if (flags == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
        if (control->failText)
            return MMSYSERR_ERROR;
        if (details.listTexts.size() != control->texts.size())
            return MMSYSERR_INVALPARAM;
        details.listTexts = control->texts;
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_INVALPARAM;
}

MMRESULT TFakeMixerDriver::SetControlDetails(TMixerHandle mixer, const TMixerControlDetails& details)
{
    if (!DeviceOf(mixer))
        return MMSYSERR_INVALHANDLE;
    TFakeControl* control = FindControl(details.dwControlID);
    if (!control)
        return MIXERR_INVALCONTROL;
    Writes.push_back(details);
    if (details.values.size() != control->values.size())
        return MMSYSERR_INVALPARAM;
    control->values = details.values;
    return MMSYSERR_NOERROR;
}
