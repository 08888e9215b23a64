#pragma once
// The program as a media player on the session bus, free of the window: what
// a client (the desktop's sound menu, media keys, a chat client) may ask of
// it, what it tells, and the rules that turn what it tells into the MPRIS2
// player properties. The window's side implements the control and feeds the
// state.

#include <QDBusObjectPath>
#include <QString>
#include <QVariantMap>

#include <optional>

// What a client may ask. Called on the user-interface thread from the event
// loop, never inside the bus call that asked: a command may run the event
// loop itself (starting an engine, a question before exiting).
class IMediaControl
{
public:
    virtual ~IMediaControl() = default;
    // Brings the window to the front.
    virtual void Raise() = 0;
    virtual void Quit() = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    // Makes the next (previous) link current and plays it.
    virtual void Next() = 0;
    virtual void Previous() = 0;
    // 0 … 100.
    virtual void SetVolume(int volume) = 0;
};

// What the player tells, as the window sees it.
struct TMediaState
{
    // Connecting, buffering or playing: a live stream is never paused.
    bool Playing = false;
    // The published now-playing text; empty while none is published.
    QString Title;
    // The open station's name.
    QString Station;
    // Whatever identifies what plays (station, link, programme title);
    // a new key is a new track for the clients. Empty: no station is open.
    QString TrackKey;
    // The program volume, 0 … 100.
    int Volume = 0;
    // A station with links is open.
    bool CanPlay = false;
    bool CanGoNext = false;
    bool CanGoPrevious = false;

    bool operator==(const TMediaState&) const = default;
};

// The object path of the n-th track since the program started; MPRIS2's
// "no track" for 0.
QDBusObjectPath TrackPath(quint64 track);
// The player interface's properties that follow the state, by name.
QVariantMap PlayerProperties(const TMediaState& state, const QDBusObjectPath& track);
// The entries of after that before lacks or holds with another value.
QVariantMap ChangedProperties(const QVariantMap& before, const QVariantMap& after);
// A client's volume (0.0 … 1.0, out-of-range values clamped) as the program's
// 0 … 100; nullopt for a value that is no number.
std::optional<int> ProgramVolume(double clientVolume);
