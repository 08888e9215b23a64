#include "ctlReconnect.h"

#include <algorithm>

TSteadyClock::TSteadyClock(QObject* owner) : IReconnectClock(owner)
{
    FElapsed.start();
    FTimer.setSingleShot(true);
    // A coarse timer may fire a little early, and the countdown would show
    // the same second twice.
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &IReconnectClock::Wake);
}

void TSteadyClock::WakeAt(qint64 when) { FTimer.start(int(std::clamp<qint64>(when - Now(), 0, 24 * 3600 * 1000))); }

TReconnectPolicy::TReconnectPolicy(TRadioPlayer* player, IReconnectClock* clock, QObject* owner)
    : QObject(owner), FPlayer(player), FClock(clock ? clock : new TSteadyClock(this))
{
    connect(FClock, &IReconnectClock::Wake, this, &TReconnectPolicy::Wake);
    connect(player, &TRadioPlayer::OnChange, this, &TReconnectPolicy::PlayerChanged);
}

TReconnectPolicy::~TReconnectPolicy()
{
    ++FAttempt;
    if (FClock)
        FClock->CancelWake();
}

void TReconnectPolicy::SetEnabled(bool enabled)
{
    FEnabled = enabled;
    if (!enabled && Waiting())
        Forget();
}

int TReconnectPolicy::SecondsLeft() const
{
    if (FRetryAt < 0)
        return -1;
    const qint64 left = std::max<qint64>(0, FRetryAt - FClock->Now());
    return int((left + 999) / 1000);
}

void TReconnectPolicy::Play(const QStringList& candidates, TStreamKind kind)
{
    if (candidates.isEmpty()) {
        Forget();
        if (FPlayer)
            FPlayer->Stop();
        return;
    }
    FWanted = true;
    FCandidates = candidates;
    FKind = kind;
    FLastGood = -1;
    BeginRound(0);
}

void TReconnectPolicy::Stop()
{
    Forget();
    if (FPlayer && FPlayer->State() != psStopped)
        FPlayer->Stop();
}

void TReconnectPolicy::Cancel() { Forget(); }

void TReconnectPolicy::Resume()
{
    if (!FWanted || !FEnabled)
        return;
    BeginRound(RoundStart());
}

void TReconnectPolicy::BeginRound(int from)
{
    const bool wasWaiting = Waiting();
    FRetryAt = -1;
    FShownSeconds = -1;
    FClock->CancelWake();
    FDelay = FirstDelayMs;
    FTried = 0;
    FRoundRetryable = false;
    FIndex = from;
    ++FAttempt;
    FAttemptOpen = false;
    if (wasWaiting) {
        QPointer<TReconnectPolicy> self(this);
        Q_EMIT Changed();
        if (!self)
            return;
    }
    StartAttempt();
}

void TReconnectPolicy::Forget()
{
    const bool wasWaiting = Waiting();
    FWanted = false;
    FAttemptOpen = false;
    ++FAttempt;
    FRetryAt = -1;
    FShownSeconds = -1;
    if (FClock)
        FClock->CancelWake();
    if (wasWaiting)
        Q_EMIT Changed();
}

void TReconnectPolicy::StartAttempt()
{
    ++FAttempt;
    FAttemptOpen = true;
    FReached = false;
    FPlayingSince = -1;
    ScheduleWake();
    if (!FPlayer)
        return;
    // Copies: the player runs the event loop, and a handler may play another
    // list or destroy this policy meanwhile.
    const QPointer<TRadioPlayer> player = FPlayer;
    const QString address = FCandidates.value(FIndex);
    const TStreamKind kind = FKind;
    const auto start = [player, address, kind] {
        if (player)
            player->Play(address, kind);
    };
    if (FStarter)
        FStarter(start);
    else
        start();
}

void TReconnectPolicy::PlayerChanged()
{
    if (!FWanted || !FPlayer)
        return;
    // Reported outside a poll: a Stop behind the policy's back, or an engine
    // that cannot be started at all. Neither is worth a retry.
    if (FPlayer->State() == psStopped && !FPlayer->IsPolling()) {
        Forget();
        return;
    }
    if (!FAttemptOpen)
        return;
    switch (FPlayer->State()) {
    case psPlaying:
        if (!FReached) {
            FReached = true;
            FLastGood = FIndex;
            FPlayingSince = FClock->Now();
            ScheduleWake();
        }
        return;
    case psStopped:
    case psError: break;
    default: return;
    }
    FAttemptOpen = false;
    // Decided once the player's report has gone round: the next Play must not
    // start inside the notification that ended this one.
    const quint64 attempt = FAttempt;
    const TStreamEnd how = FPlayer->StreamEnd();
    QMetaObject::invokeMethod(
        this, [this, attempt, how] { AttemptEnded(attempt, how); }, Qt::QueuedConnection);
}

void TReconnectPolicy::AttemptEnded(quint64 attempt, TStreamEnd how)
{
    if (attempt != FAttempt || !FWanted)
        return;
    if (how == TStreamEnd::seFinished) {
        Forget();
        return;
    }
    if (FReached) {
        // It played, so it is a stream: whatever ended it, try it again.
        if (!FEnabled) {
            Forget();
            return;
        }
        WaitThenRetry(FIndex);
        return;
    }
    ++FTried;
    FRoundRetryable = FRoundRetryable || how != TStreamEnd::seRefused;
    if (FTried < FCandidates.size()) {
        FIndex = (FIndex + 1) % int(FCandidates.size());
        StartAttempt();
        return;
    }
    if (!FEnabled || !FRoundRetryable) {
        Forget();
        return;
    }
    WaitThenRetry(RoundStart());
}

void TReconnectPolicy::WaitThenRetry(int from)
{
    FIndex = from;
    FTried = 0;
    FRoundRetryable = false;
    FRetryAt = FClock->Now() + FDelay;
    FDelay = std::min(FDelay * 2, LongestDelayMs);
    FShownSeconds = SecondsLeft();
    ScheduleWake();
    Q_EMIT Changed();
}

void TReconnectPolicy::Wake()
{
    const qint64 now = FClock->Now();
    if (FAttemptOpen && FReached && FPlayingSince >= 0 && now - FPlayingSince >= SteadyPlayMs) {
        FDelay = FirstDelayMs;
        FPlayingSince = -1;
    }
    if (FRetryAt >= 0 && now >= FRetryAt) {
        FRetryAt = -1;
        FShownSeconds = -1;
        QPointer<TReconnectPolicy> self(this);
        Q_EMIT Changed();
        if (self && FWanted)
            StartAttempt();
        return;
    }
    if (FRetryAt >= 0 && SecondsLeft() != FShownSeconds) {
        FShownSeconds = SecondsLeft();
        ScheduleWake();
        Q_EMIT Changed();
        return;
    }
    ScheduleWake();
}

void TReconnectPolicy::ScheduleWake()
{
    qint64 next = -1;
    const auto earliest = [&next](qint64 when) { next = next < 0 ? when : std::min(next, when); };
    if (FRetryAt >= 0) {
        // The next change of the seconds shown, or the try itself.
        const int seconds = SecondsLeft();
        earliest(seconds > 1 ? FRetryAt - qint64(seconds - 1) * 1000 : FRetryAt);
    }
    if (FAttemptOpen && FReached && FPlayingSince >= 0)
        earliest(FPlayingSince + SteadyPlayMs);
    if (next < 0)
        FClock->CancelWake();
    else
        FClock->WakeAt(next);
}
