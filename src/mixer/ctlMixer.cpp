#include "ctlMixer.h"

#include "libConst.h"

#include <algorithm>

// ---------------------------------------------------------------- model

TMixerControls::TMixerControls(TAudioMixer* mixer, const TMixerLine& line)
{
    if (line.cControls == 0)
        return;
    // The block is sized once, so the list's pointers into it stay valid.
    FBlock.resize(line.cControls);
    if (mixer->Driver()->GetLineControls(mixer->Handle(), line.dwLineID, line.cControls, FBlock) != MMSYSERR_NOERROR) {
        FBlock.clear();
        return;
    }
    for (const TMixerControl& control : FBlock)
        FList.Add(&control);
}

TMixerConnection::TMixerConnection(TAudioMixer* mixer, const TMixerLine& line)
    : Mixer(mixer), LineInfo(line), Controls(mixer, line)
{}

TMixerConnections::TMixerConnections(TAudioMixer* mixer, const TMixerLine& destination) : Mixer(mixer)
{
    FList.OnFreeItem = [](TMixerConnection* item) { delete item; };
    for (quint32 s = 0; s < destination.cConnections; ++s) {
        TMixerLine line;
        line.dwDestination = destination.dwDestination;
        line.dwSource = s;
        if (mixer->Driver()->GetLineInfo(mixer->Handle(), line, MIXER_GETLINEINFOF_SOURCE) == MMSYSERR_NOERROR)
            FList.Add(std::make_unique<TMixerConnection>(mixer, line).release());
    }
}

TMixerDestination::TMixerDestination(TAudioMixer* mixer, const TMixerLine& line)
    : Mixer(mixer), LineInfo(line), Connections(mixer, line), Controls(mixer, line)
{}

TMixerDestinations::TMixerDestinations()
{
    FList.OnFreeItem = [](TMixerDestination* item) { delete item; };
}

void TMixerDestinations::Add(std::unique_ptr<TMixerDestination> destination) { FList.Add(destination.release()); }

// ---------------------------------------------------------------- mixer

void TAudioMixer::THiddenWindow::MixerMessage(quint32 msg, TMixerHandle mixer, quint32 id)
{
    // Ids travel as the signed integers the events declare.
    if (msg == MM_MIXM_LINE_CHANGE)
        Q_EMIT FOwner->OnLineChange(FOwner, mixer, int(id));
    else if (msg == MM_MIXM_CONTROL_CHANGE)
        Q_EMIT FOwner->OnControlChange(FOwner, mixer, int(id));
}

TAudioMixer::TAudioMixer(IMixerDriver* driver, QObject* owner)
    : QObject(owner), FDriver(driver), FWindow(std::make_unique<THiddenWindow>(this))
{
    connect(FDriver, &IMixerDriver::DevicesChanged, this, &TAudioMixer::DriverDevicesChanged);
    FNumDevs = FDriver->GetNumDevs();
    FMixerId = -1;
    if (FNumDevs > 0)
        SetMixerId(0);
    else
        FDestinations = std::make_unique<TMixerDestinations>();
}

TAudioMixer::~TAudioMixer() { Close(); }

void TAudioMixer::Close()
{
    // The model goes first: nothing may query a handle that is already closed.
    FDestinations.reset();
    if (FMixerId >= 0) {
        FDriver->Close(FMixerH);
        FMixerH = 0;
        FMixerId = -1;
    }
}

void TAudioMixer::ResetDeviceInfo()
{
    FMixerCaps = TMixerCaps();
    FDriverVersion = 0;
    FProductId = 0;
    FNumberOfLine = 0;
    FManufacturer.clear();
    FProductName.clear();
}

void TAudioMixer::SetMixerId(int id)
{
    if (id < 0 || id >= FNumDevs)
        return;
    Close();

    // A driver can refuse a notification target for a moment; a device that
    // works without one is still better than none.
    TMixerHandle handle = 0;
    MMRESULT result = FDriver->Open(handle, id, FWindow.get(), CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR)
        result = FDriver->Open(handle, id, FWindow.get(), CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR)
        result = FDriver->Open(handle, id, nullptr, 0);
    if (result != MMSYSERR_NOERROR) {
        FMixerId = -1;
        FDestinations = std::make_unique<TMixerDestinations>();
        return;
    }

    FMixerH = handle;
    FMixerId = id;
    FMixerCaps = TMixerCaps();
    FDriver->GetDevCaps(id, FMixerCaps);
    FManufacturer = FMixerCaps.wMid == 1 ? Const::SMixerMakerKnown : Const::SMixerMakerUnknown.arg(FMixerCaps.wMid);
    FDriverVersion = FMixerCaps.vDriverVersion;
    FProductId = FMixerCaps.wPid;
    FProductName = FMixerCaps.szPname;
    FNumberOfLine = int(FMixerCaps.cDestinations);

    FDestinations = std::make_unique<TMixerDestinations>();
    for (quint32 d = 0; d < FMixerCaps.cDestinations; ++d) {
        TMixerLine line;
        line.dwDestination = d;
        if (FDriver->GetLineInfo(FMixerH, line, MIXER_GETLINEINFOF_DESTINATION) == MMSYSERR_NOERROR)
            FDestinations->Add(std::make_unique<TMixerDestination>(this, line));
    }
}

void TAudioMixer::DriverDevicesChanged()
{
    // A sound server that went away or came back, or lines that came and went:
    // the snapshot is stale, so take a new one and let the owner read again.
    const TMixerHandle previous = FMixerH;
    const int wanted = FMixerId > 0 ? FMixerId : 0;
    FNumDevs = FDriver->GetNumDevs();
    Close();
    if (wanted < FNumDevs)
        SetMixerId(wanted);
    else if (FNumDevs > 0)
        SetMixerId(0);
    if (FMixerId < 0) {
        ResetDeviceInfo();
        if (!FDestinations)
            FDestinations = std::make_unique<TMixerDestinations>();
    }
    Q_EMIT OnLineChange(this, FMixerH != 0 ? FMixerH : previous, 0);
}

bool TAudioMixer::ReadDetails(const TMixerControl& control, const TMixerLine& line, TMixerControlDetails& details,
                              quint32 flags)
{
    details.dwControlID = control.dwControlID;
    details.cChannels = (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) != 0 ? 1 : line.cChannels;
    details.cMultipleItems = (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0 ? control.cMultipleItems : 0;
    if (flags == MIXER_GETCONTROLDETAILSF_LISTTEXT)
        details.listTexts.assign(size_t(details.cChannels) * details.cMultipleItems, TMixerListText());
    else
        details.values.assign(size_t(details.cChannels) * std::max<quint32>(details.cMultipleItems, 1), 0);
    // A line that reports no channels gives no value to read.
    if (flags == MIXER_GETCONTROLDETAILSF_VALUE && details.values.empty())
        return false;
    return FDriver->GetControlDetails(FMixerH, details, flags) == MMSYSERR_NOERROR;
}

int TAudioMixer::FindSelection(const TMixerControlDetails& texts, quint32 lineId)
{
    if (texts.cChannels == 0)
        return -1;
    for (quint32 k = texts.cChannels - 1; k < texts.cMultipleItems && k < texts.listTexts.size();
         k += texts.cChannels) {
        if (texts.listTexts[k].dwParam1 == lineId)
            return int(k);
    }
    return -1;
}

std::pair<const TMixerLine*, const TMixerControls*> TAudioMixer::ChooseLine(const TMixerDestination* dest,
                                                                            const TMixerConnection* conn,
                                                                            int connection)
{
    if (connection == -1)
        return {&dest->LineInfo, &dest->Controls};
    if (conn)
        return {&conn->LineInfo, &conn->Controls};
    return {nullptr, nullptr};
}

bool TAudioMixer::GetVolume(int destination, int connection, int& left, int& right, int& mute, bool& stereo,
                            bool& volumeDisabled, bool& muteDisabled, bool& muteIsSelection)
{
    if (!FDestinations || FDestinations->Count() == 0)
        return false;
    muteIsSelection = false;
    muteDisabled = true;
    volumeDisabled = true;
    stereo = false;
    left = -1;
    right = -1;
    mute = -1;

    const TMixerDestination* dest = FDestinations->Get(destination);
    if (!dest)
        return false;
    const TMixerConnection* conn = connection != -1 ? dest->Connections.Get(connection) : nullptr;

    if (conn) {
        for (int i = 0; i < dest->Controls.Count() && mute == -1; ++i) {
            const TMixerControl& control = *dest->Controls.Get(i);
            if (control.dwControlType != MIXERCONTROL_CONTROLTYPE_MUX)
                continue;
            TMixerControlDetails values, texts;
            if (!ReadDetails(control, dest->LineInfo, values, MIXER_GETCONTROLDETAILSF_VALUE))
                continue;
            if (!ReadDetails(control, dest->LineInfo, texts, MIXER_GETCONTROLDETAILSF_LISTTEXT))
                continue;
            const int k = FindSelection(texts, conn->LineInfo.dwLineID);
            if (k >= 0 && size_t(k) < values.values.size()) {
                mute = int(values.values[size_t(k)]);
                muteDisabled = (control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) != 0;
                muteIsSelection = true;
            }
        }
    }

    const auto [line, controls] = ChooseLine(dest, conn, connection);
    if (!line)
        return true;

    for (int i = 0; i < controls->Count() && (left == -1 || mute == -1); ++i) {
        const TMixerControl& control = *controls->Get(i);
        const bool isVolume = control.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME;
        const bool isMute = control.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE && mute == -1;
        if (!isVolume && !isMute)
            continue;
        if ((control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0)
            continue;
        TMixerControlDetails details;
        if (!ReadDetails(control, *line, details, MIXER_GETCONTROLDETAILSF_VALUE))
            continue;
        const bool disabled = (control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) != 0;
        if (isVolume && left == -1) {
            volumeDisabled = disabled;
            left = int(details.values[0]);
            if (details.cChannels > 1) {
                right = int(details.values[1]);
                stereo = true;
            } else {
                right = left;
            }
        } else if (isMute) {
            muteDisabled = disabled;
            mute = details.values[0] != 0 ? 1 : 0;
        }
    }
    return true;
}

bool TAudioMixer::SetVolume(int destination, int connection, int left, int right, int mute)
{
    if (!FDestinations || FDestinations->Count() == 0)
        return false;
    const TMixerDestination* dest = FDestinations->Get(destination);
    if (!dest)
        return false;
    const TMixerConnection* conn = connection != -1 ? dest->Connections.Get(connection) : nullptr;

    bool volumeDone = left == -1;
    bool muteDone = mute == -1;

    if (mute != -1 && conn) {
        for (int i = 0; i < dest->Controls.Count(); ++i) {
            const TMixerControl& control = *dest->Controls.Get(i);
            if (control.dwControlType != MIXERCONTROL_CONTROLTYPE_MUX)
                continue;
            muteDone = true;
            // Writing back values that were never read would select at random.
            TMixerControlDetails values, texts;
            if (ReadDetails(control, dest->LineInfo, values, MIXER_GETCONTROLDETAILSF_VALUE)
                && ReadDetails(control, dest->LineInfo, texts, MIXER_GETCONTROLDETAILSF_LISTTEXT)) {
                std::fill_n(values.values.begin(), std::min<size_t>(control.cMultipleItems, values.values.size()), 0);
                const int k = FindSelection(texts, conn->LineInfo.dwLineID);
                if (k >= 0 && size_t(k) < values.values.size()) {
                    values.values[size_t(k)] = quint32(mute);
                    FDriver->SetControlDetails(FMixerH, values);
                }
            }
            break;
        }
    }

    const auto [line, controls] = ChooseLine(dest, conn, connection);
    if (!line)
        return true;

    for (int i = 0; i < controls->Count() && !(volumeDone && muteDone); ++i) {
        const TMixerControl& control = *controls->Get(i);
        const bool isVolume = control.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME && !volumeDone;
        const bool isMute = control.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE && !muteDone;
        if (!isVolume && !isMute)
            continue;
        if ((control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0)
            continue;
        TMixerControlDetails details;
        details.dwControlID = control.dwControlID;
        details.cChannels = (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) != 0 ? 1 : line->cChannels;
        details.cMultipleItems = 0;
        details.values.assign(details.cChannels, 0);
        if (details.values.empty())
            continue;
        if (isVolume) {
            const quint32 l = quint32(left);
            const quint32 r = quint32(right == -1 ? left : right);
            details.values[0] = l;
            if (details.values.size() > 1)
                details.values[1] = r;
            // Centre, rear and bass channels follow the louder side, so that a
            // surround output keeps sounding instead of falling silent.
            for (size_t c = 2; c < details.values.size(); ++c)
                details.values[c] = std::max(l, r);
            volumeDone = true;
        } else {
            std::fill(details.values.begin(), details.values.end(), quint32(mute));
            muteDone = true;
        }
        FDriver->SetControlDetails(FMixerH, details);
    }
    return true;
}
