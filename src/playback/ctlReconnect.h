#pragma once
// Keeps a wanted stream playing: above the player, it plays a link's candidate
// addresses in turn, and when the stream drops or none of them answers it
// waits and plays again, 1 s after the first failure, then 2, 4, 8 … up to
// 30 s between tries. A stream that stayed playing for 10 s starts that
// series afresh. What can never play (not a stream, an unsupported scheme or
// format) is not tried again, nor a clip that played to its end.
//
// The policy only ever calls the player's Play and Stop; with reconnecting
// off it tries the candidates once, each at most once, and then leaves the
// player as it is, which for a single address is the player's own behaviour.

#include "ctlRadioPlayer.h"
#include "libKind.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

// The time the policy waits by: a monotonic clock in milliseconds and one
// wake-up at a time. Tests hand in a clock they advance themselves.
class IReconnectClock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IReconnectClock() override = default;

    virtual qint64 Now() const = 0;
    // Raises Wake once when Now() reaches when; replaces an earlier request.
    virtual void WakeAt(qint64 when) = 0;
    virtual void CancelWake() = 0;

Q_SIGNALS:
    void Wake();
};

// The clock of the running program.
class TSteadyClock final : public IReconnectClock
{
    Q_OBJECT
public:
    explicit TSteadyClock(QObject* owner = nullptr);
    qint64 Now() const override { return FElapsed.elapsed(); }
    void WakeAt(qint64 when) override;
    void CancelWake() override { FTimer.stop(); }

private:
    QElapsedTimer FElapsed;
    QTimer FTimer;
};

class TReconnectPolicy final : public QObject
{
    Q_OBJECT
public:
    static constexpr int FirstDelayMs = 1000;
    static constexpr int LongestDelayMs = 30000;
    // How long a stream must play before a drop counts as a fresh one.
    static constexpr int SteadyPlayMs = 10000;

    // Neither the player nor the clock is owned; without a clock the policy
    // keeps a steady clock of its own. Both must outlive the policy, or the
    // player must be destroyed with it.
    explicit TReconnectPolicy(TRadioPlayer* player, IReconnectClock* clock = nullptr, QObject* owner = nullptr);
    ~TReconnectPolicy() override;

    // Runs each start of the player (the caller's own Play included); the
    // window wraps it as a modal step, since the player runs the event loop.
    using TStarter = std::function<void(const std::function<void()>& start)>;
    void SetStarter(TStarter starter) { FStarter = std::move(starter); }

    bool Enabled() const { return FEnabled; }
    // Off: no more waits; one that is pending is cancelled.
    void SetEnabled(bool enabled);

    // Plays candidates[0] on the engine of the kind, the others when it fails
    // before it ever played; an empty list stops the player.
    void Play(const QStringList& candidates, TStreamKind kind);
    void Play(const QString& address, TStreamKind kind) { Play(QStringList{address}, kind); }
    // Forgets the stream and stops the player: no retry comes later.
    void Stop();
    // Forgets the stream, leaves the player as it is.
    void Cancel();
    // The system woke from sleep: the connection is likely dead, so a wanted
    // stream starts again at once, with the first delay.
    void Resume();

    // The listener still wants the stream (it plays, starts or waits).
    bool Wanted() const { return FWanted; }
    bool Waiting() const { return FRetryAt >= 0; }
    // Whole seconds until the next try, rounded up; -1 while not waiting.
    int SecondsLeft() const;
    // The wait after the next failure.
    int NextDelayMs() const { return FDelay; }

Q_SIGNALS:
    // A wait began or ended, or its seconds left changed.
    void Changed();

private:
    void PlayerChanged();
    void AttemptEnded(quint64 attempt, TStreamEnd how);
    // A fresh series of tries from candidate from, the wait back at its first.
    void BeginRound(int from);
    void StartAttempt();
    void WaitThenRetry(int from);
    void Forget();
    void Wake();
    void ScheduleWake();
    // The candidate to start a new round from: the one that last played.
    int RoundStart() const { return FLastGood >= 0 ? FLastGood : 0; }

    QPointer<TRadioPlayer> FPlayer;
    QPointer<IReconnectClock> FClock;
    TStarter FStarter;
    bool FEnabled = true;
    bool FWanted = false;
    QStringList FCandidates;
    TStreamKind FKind = skWindowsMedia;
    int FIndex = 0;               // the candidate now playing or starting
    int FLastGood = -1;           // the candidate that last reached psPlaying
    int FTried = 0;               // candidates that failed in this round
    bool FRoundRetryable = false; // one of them failed in a way worth retrying
    int FDelay = FirstDelayMs;
    qint64 FRetryAt = -1;   // when the pending try starts
    int FShownSeconds = -1; // SecondsLeft at the last Changed
    // Each Play of the player is an attempt; a report or queued step of an
    // earlier one is dropped.
    quint64 FAttempt = 0;
    bool FAttemptOpen = false; // the attempt has not ended yet
    bool FReached = false;     // the attempt reached psPlaying
    qint64 FPlayingSince = -1; // when, until the delay was reset
};
