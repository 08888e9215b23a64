#pragma once
// The radio player: plays one stream address at a time through one of the two
// engine roles, chosen by the link's kind, polls the active engine once a second
// and reports state, buffering progress, bit rate and an information text.
//
// Every reported change raises OnChange. The player lets the event loop run
// after each notification and while starting an engine, so that the window
// stays responsive while an engine connects; handlers can therefore be entered
// while the player is in the middle of an operation and must read its values
// afresh. A handler may call Play or Stop, or destroy the player (deleteLater
// or delete); the interrupted operation then gives up quietly.

#include "libEngine.h"
#include "libKind.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>

enum TPlayerState : std::uint8_t { psStopped = 0, psConnecting, psBuffering, psPlaying, psError };

// "已经停止", "正在连接", "正在缓冲", "正在播放" or "发生错误".
QString PlayerStateText(TPlayerState state);

class TRadioPlayer : public QObject
{
    Q_OBJECT
public:
    // The factory is not owned and must outlive the player. The engines it
    // creates are owned by the player and live until the player is destroyed.
    explicit TRadioPlayer(IEngineFactory* factory, QObject* owner = nullptr);
    ~TRadioPlayer() override;

    TPlayerState State() const { return FState; }
    QString StateText() const { return PlayerStateText(FState); }
    // The clip title while playing, the engine's error description after an
    // error; kept until the next title or the next Play or Stop.
    const QString& InfoText() const { return FInfoText; }
    // How the active engine's stream ended (seNone while it plays, and after
    // a Stop or a start that failed).
    TStreamEnd StreamEnd() const;
    // Buffering progress in percent; 100 when nothing is being buffered.
    int Progress() const { return FProgress; }
    // Measured bit rate in kbit/s.
    int BitRate() const { return FBitRate; }

    // Program volume and mute, passed on to every engine that exists. Setting
    // the stored value does nothing; engine failures are not caught.
    int Volume() const { return FVolume; }
    void SetVolume(int value);
    bool Mute() const { return FMute; }
    void SetMute(bool value);

    // Starts the address on the engine of the kind (skRealMedia: the Real
    // Media role, anything else: the Windows Media role). Never throws: an
    // engine that cannot be started is reported as psStopped followed by
    // EngineMissing.
    void Play(const QString& address, TStreamKind kind);
    // Reports psStopped and stops whichever engine still plays.
    void Stop();
    // One tick of the poll timer; maps the active engine's play state.
    void Poll();

    // Whether the poll timer runs (from Play until the next Play, Stop, failed
    // start or destruction).
    bool IsPolling() const { return FPollTimer.isActive(); }

Q_SIGNALS:
    void OnChange(TRadioPlayer* sender);
    // Play could not start the engine of kind; raised once, after psStopped
    // was reported. The player asks nobody itself: the window offers the
    // download page, the command-line tool exits. Connect directly: the
    // handler may run the event loop, call Play or Stop, or destroy the player.
    void EngineMissing(TStreamKind kind);

private:
    class TEngineFrame;

    void Reset();
    // Raises OnChange and lets the event loop run. False when the player was
    // destroyed meanwhile: the caller must return without touching it.
    bool NotifyChange();
    // Sets the state and notifies when it differs; true while the player lives.
    bool BecomeState(TPlayerState state);
    // Polls' playing case: notifies when state, bit rate or title changed.
    void ReportPlaying(int bitsPerSecond, const QString& title);

    void StartRealMedia(const QString& address);
    void StartWindowsMedia(const QString& address);

    void WindowsMediaError();
    void WindowsMediaBuffering(bool start);
    void RealMediaErrorMessage(int severity, int rmaCode, int userCode, const QString& userString,
                               const QString& moreInfoUrl, const QString& errorString);
    void RealMediaBuffering(int flags, int percent);

    IEngineFactory* FFactory;
    QTimer FPollTimer;
    int FProgress = 100;
    QString FInfoText;
    TPlayerState FState = psStopped;
    int FBitRate = 0;
    std::unique_ptr<IWindowsMediaEngine> FWindowsMedia;
    std::unique_ptr<IRealMediaEngine> FRealMedia;
    bool FMute = false;
    int FVolume = 0;
    QObject* FActive = nullptr; // FWindowsMedia, FRealMedia or none
    // Each Play and Stop takes a new number, so an operation interrupted by a
    // nested Play or Stop (from an OnChange handler) sees that it was replaced.
    quint64 FOperation = 0;
    // How many engine calls and engine events are on the stack; while there are
    // any, the engines must outlive this player's destructor.
    int FEngineFrames = 0;
};
