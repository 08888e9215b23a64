#pragma once
// The two media-engine roles the player drives. The player's rules are written
// against these interfaces only, so a libmpv engine, a GStreamer engine or a
// scripted fake can stand behind them.
//
// Engines may work on threads of their own, but every call below is made on the
// user-interface thread, and every signal must be emitted there. An engine
// stamps each Play; an event belonging to an earlier stream is dropped before it
// reaches the player.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

// How the last stream an engine played came to an end, for whoever decides
// whether to play it again. Engines that cannot tell answer seNone.
enum class TStreamEnd : std::uint8_t {
    seNone,     // not ended, or ended by Stop or a new Play
    seFinished, // a clip of known length played to its end
    seDropped,  // a live stream ended, or the connection failed or was refused
    seRefused,  // can never play: not a stream, an unsupported scheme or
                // format, a certificate the engine does not accept
};

// The "Windows Media" role: play states 1 stopped, 3 playing, 6 buffering,
// anything else neither. Played by libmpv.
class IWindowsMediaEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IWindowsMediaEngine() override = default;

    enum : int { wmppsStopped = 1, wmppsPlaying = 3, wmppsBuffering = 6 };

    virtual void SetMute(bool mute) = 0;
    virtual void SetVolume(int volume) = 0; // 0 … 100, takes effect at once
    virtual void SetURL(const QString& address) = 0;
    virtual void Play() = 0; // starts asynchronously
    virtual void Stop() = 0;

    virtual int PlayState() const = 0;
    virtual int NetworkBitRate() const = 0;           // bits per second
    virtual int NetworkBufferingProgress() const = 0; // percent
    virtual QString CurrentMediaName() const = 0;     // clip title

    // The error queue: entries stay until cleared.
    virtual int ErrorCount() const = 0;
    virtual QString ErrorDescription(int index) const = 0;
    virtual void ClearErrorQueue() = 0;

    // How the stream of the last Play ended; kept until the next Play or Stop.
    virtual TStreamEnd StreamEnd() const { return TStreamEnd::seNone; }

Q_SIGNALS:
    void Error();               // one or more entries were queued
    void Buffering(bool start); // true when buffering starts, false when it ends
};

// The "Real Media" role: play states 0 stopped, 2 buffering, 3 playing,
// anything else (contacting, paused, seeking) neither. Played by GStreamer.
class IRealMediaEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IRealMediaEngine() override = default;

    enum : int { rpStopped = 0, rpContacting = 1, rpBuffering = 2, rpPlaying = 3 };

    virtual void SetMute(bool mute) = 0;
    virtual void SetVolume(quint16 volume) = 0; // 0 … 100, takes effect at once
    virtual void SetSource(const QString& address) = 0;
    virtual void DoPlay() = 0; // starts asynchronously
    virtual void DoStop() = 0;

    virtual int GetPlayState() const = 0;
    virtual int GetBandwidthAverage() const = 0; // bits per second
    virtual QString GetTitle() const = 0;        // clip title

    // How the stream of the last DoPlay ended; kept until the next DoPlay or DoStop.
    virtual TStreamEnd StreamEnd() const { return TStreamEnd::seNone; }

Q_SIGNALS:
    void ErrorMessage(int severity, int rmaCode, int userCode, const QString& userString, const QString& moreInfoUrl,
                      const QString& errorString);
    void Buffering(int flags, int percent);
};

// Creates the engines and tells whether they can be created at all. The
// presence tests must answer "not installed" before any attempt to play. A
// positive answer may be kept; a negative one is tested afresh at the next
// call, so an engine installed while the program runs is found.
class IEngineFactory
{
public:
    virtual ~IEngineFactory() = default;
    virtual bool IsWindowsMediaInstalled() = 0;
    virtual bool IsRealPlayerInstalled() = 0;
    // Both may throw EProgramError when the engine cannot be set up.
    virtual std::unique_ptr<IWindowsMediaEngine> CreateWindowsMedia() = 0;
    virtual std::unique_ptr<IRealMediaEngine> CreateRealMedia() = 0;
};
