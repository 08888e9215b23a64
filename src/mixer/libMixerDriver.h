#pragma once
// The operations the audio mixer needs of a mixer device, shaped after the
// Windows multimedia mixer API so that the mixer's rules can be written once
// and run over PulseAudio, a native Windows build or a scripted fake.
//
// Every call is made on the user-interface thread. A driver delivers its
// notifications there too, and only while the handle they belong to is open.

#include <QObject>
#include <QString>
#include <vector>

using MMRESULT = quint32;
using TMixerHandle = int; // 0 is never a valid handle

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT MIXERR_INVALLINE = 1024;
inline constexpr MMRESULT MIXERR_INVALCONTROL = 1025;

inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001u;
inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002u;
inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001u;

inline constexpr quint32 MIXERCONTROL_CONTROLF_UNIFORM = 0x1u;
inline constexpr quint32 MIXERCONTROL_CONTROLF_MULTIPLE = 0x2u;
inline constexpr quint32 MIXERCONTROL_CONTROLF_DISABLED = 0x80000000u;

inline constexpr quint32 MIXERLINE_LINEF_ACTIVE = 0x1u;
inline constexpr quint32 MIXERLINE_LINEF_SOURCE = 0x80000000u;

inline constexpr quint32 MM_MIXM_LINE_CHANGE = 0x3D0u;
inline constexpr quint32 MM_MIXM_CONTROL_CHANGE = 0x3D1u;
inline constexpr quint32 CALLBACK_WINDOW = 0x10000u;

inline constexpr quint32 MIXER_GETLINEINFOF_DESTINATION = 0;
inline constexpr quint32 MIXER_GETLINEINFOF_SOURCE = 1;
inline constexpr quint32 MIXER_GETCONTROLDETAILSF_VALUE = 0;
inline constexpr quint32 MIXER_GETCONTROLDETAILSF_LISTTEXT = 1;

// What a device says about itself.
struct TMixerCaps
{
    quint16 wMid = 0; // maker id; 1 is the one maker known by name
    quint16 wPid = 0;
    quint32 vDriverVersion = 0; // major in the high byte, minor in the low byte
    QString szPname;
    quint32 cDestinations = 0;
};

// One line: a destination (where sound goes) or one of its sources.
struct TMixerLine
{
    quint32 dwDestination = 0; // in: which destination
    quint32 dwSource = 0;      // in: which source of it (source queries only)
    quint32 dwLineID = 0;
    quint32 fdwLine = 0;
    quint32 cChannels = 0;
    quint32 cConnections = 0; // sources feeding a destination
    quint32 cControls = 0;
    QString szShortName;
    QString szName;
};

struct TMixerControl
{
    quint32 dwControlID = 0;
    quint32 dwControlType = 0;
    quint32 fdwControl = 0;
    quint32 cMultipleItems = 0;
    QString szShortName;
    QString szName;
    qint32 lMinimum = 0;
    qint32 lMaximum = 0;
};

// The text of one item of a multiple-item control; for a source selector
// dwParam1 is the line id of the source the item stands for.
struct TMixerListText
{
    quint32 dwParam1 = 0;
    quint32 dwParam2 = 0;
    QString szName;
};

// The caller sizes the buffer it wants filled (values for value queries and
// writes, listTexts for item texts); a driver never resizes it.
struct TMixerControlDetails
{
    quint32 dwControlID = 0;
    quint32 cChannels = 0;
    quint32 cMultipleItems = 0;
    std::vector<quint32> values;
    std::vector<TMixerListText> listTexts;
};

// Where an open device sends its line and control notifications.
class IMixerCallback
{
public:
    virtual ~IMixerCallback() = default;
    // msg is MM_MIXM_LINE_CHANGE or MM_MIXM_CONTROL_CHANGE; id the line or control.
    virtual void MixerMessage(quint32 msg, TMixerHandle mixer, quint32 id) = 0;
};

class IMixerDriver : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IMixerDriver() override = default;

    virtual int GetNumDevs() = 0;
    // With CALLBACK_WINDOW the callback receives the device's notifications;
    // with flags 0 the callback must be null and nothing is notified.
    virtual MMRESULT Open(TMixerHandle& mixer, int deviceId, IMixerCallback* callback, quint32 flags) = 0;
    virtual MMRESULT Close(TMixerHandle mixer) = 0;
    virtual MMRESULT GetDevCaps(int deviceId, TMixerCaps& caps) = 0;
    // flags: MIXER_GETLINEINFOF_DESTINATION or MIXER_GETLINEINFOF_SOURCE.
    virtual MMRESULT GetLineInfo(TMixerHandle mixer, TMixerLine& line, quint32 flags) = 0;
    // All controls of a line, in the device's order; controls is resized to count.
    virtual MMRESULT GetLineControls(TMixerHandle mixer, quint32 lineId, quint32 count,
                                     std::vector<TMixerControl>& controls) = 0;
    // flags: MIXER_GETCONTROLDETAILSF_VALUE or MIXER_GETCONTROLDETAILSF_LISTTEXT.
    virtual MMRESULT GetControlDetails(TMixerHandle mixer, TMixerControlDetails& details, quint32 flags) = 0;
    virtual MMRESULT SetControlDetails(TMixerHandle mixer, const TMixerControlDetails& details) = 0;

Q_SIGNALS:
    // The set of devices or their lines changed (a sound server came or went,
    // an output or a stream appeared); open handles may have gone stale.
    void DevicesChanged();
};
