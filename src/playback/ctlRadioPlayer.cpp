#include "ctlRadioPlayer.h"

#include "libConst.h"
#include "libText.h"

#include <QCoreApplication>
#include <QPointer>

namespace {
// Thrown inside Play when a nested Play or Stop replaced it, or the player was
// destroyed, while foreign code ran; Play then returns without touching anything.
struct TPlayInterrupted
{};
// The engine of the requested kind cannot be created.
struct TEngineMissing
{};
} // namespace

QString PlayerStateText(TPlayerState state)
{
    switch (state) {
    case psStopped: return Const::SPlayerStopped;
    case psConnecting: return Const::SPlayerConnecting;
    case psBuffering: return Const::SPlayerBuffering;
    case psPlaying: return Const::SPlayerPlaying;
    case psError: return Const::SPlayerError;
    }
    return {};
}

// Marks an engine call or an engine event on the stack. An engine whose signal
// reached a handler that destroyed the player is still running its own code
// when the handler returns, so the destructor must not delete it there and then.
class TRadioPlayer::TEngineFrame
{
public:
    explicit TEngineFrame(TRadioPlayer* player) : FPlayer(player) { ++player->FEngineFrames; }
    ~TEngineFrame()
    {
        if (FPlayer)
            --FPlayer->FEngineFrames;
    }
    TEngineFrame(const TEngineFrame&) = delete;
    TEngineFrame& operator=(const TEngineFrame&) = delete;
    bool Alive() const { return !FPlayer.isNull(); }

private:
    QPointer<TRadioPlayer> FPlayer;
};

TRadioPlayer::TRadioPlayer(IEngineFactory* factory, QObject* owner) : QObject(owner), FFactory(factory)
{
    FPollTimer.setInterval(1000);
    connect(&FPollTimer, &QTimer::timeout, this, &TRadioPlayer::Poll);
    Reset();
}

TRadioPlayer::~TRadioPlayer()
{
    Reset();
    if (FEngineFrames > 0) {
        if (FWindowsMedia)
            FWindowsMedia.release()->deleteLater();
        if (FRealMedia)
            FRealMedia.release()->deleteLater();
    }
}

void TRadioPlayer::Reset()
{
    FPollTimer.stop();
    FActive = nullptr;
    FProgress = 100;
    FInfoText.clear();
    FState = psStopped;
    FBitRate = 0;
    if (FWindowsMedia)
        disconnect(FWindowsMedia.get(), nullptr, this, nullptr);
    if (FRealMedia)
        disconnect(FRealMedia.get(), nullptr, this, nullptr);
}

bool TRadioPlayer::NotifyChange()
{
    QPointer<TRadioPlayer> self(this);
    Q_EMIT OnChange(this);
    // Keeps the window responsive while an engine connects and lets the
    // handlers of other events see the values just reported.
    QCoreApplication::processEvents();
    return !self.isNull();
}

bool TRadioPlayer::BecomeState(TPlayerState state)
{
    if (FState == state)
        return true;
    FState = state;
    return NotifyChange();
}

TStreamEnd TRadioPlayer::StreamEnd() const
{
    try {
        if (FActive && FActive == FRealMedia.get())
            return FRealMedia->StreamEnd();
        if (FActive && FActive == FWindowsMedia.get())
            return FWindowsMedia->StreamEnd();
    } catch (...) {
        // An engine that cannot tell tells nothing.
    }
    return TStreamEnd::seNone;
}

void TRadioPlayer::SetVolume(int value)
{
    if (value == FVolume)
        return;
    FVolume = value;
    TEngineFrame frame(this);
    if (FWindowsMedia)
        FWindowsMedia->SetVolume(value);
    if (frame.Alive() && FRealMedia)
        FRealMedia->SetVolume(static_cast<quint16>(value));
}

void TRadioPlayer::SetMute(bool value)
{
    if (value == FMute)
        return;
    FMute = value;
    TEngineFrame frame(this);
    if (FWindowsMedia)
        FWindowsMedia->SetMute(value);
    if (frame.Alive() && FRealMedia)
        FRealMedia->SetMute(value);
}

void TRadioPlayer::Play(const QString& address, TStreamKind kind)
{
    // Nothing leaves Play: not an engine's failure, nor one of a handler of
    // OnChange or EngineMissing.
    try {
        const quint64 operation = ++FOperation;
        Reset();
        FState = psConnecting;
        if (!NotifyChange() || FOperation != operation)
            return;
        FPollTimer.start();

        QPointer<TRadioPlayer> self(this);
        try {
            TEngineFrame frame(this);
            // Every engine call and the event loop can run an OnChange handler.
            const auto checkpoint = [&] {
                if (!frame.Alive() || FOperation != operation)
                    throw TPlayInterrupted();
            };
            if (kind == skRealMedia) {
                if (!FRealMedia) {
                    if (!FFactory->IsRealPlayerInstalled())
                        throw TEngineMissing();
                    FRealMedia = FFactory->CreateRealMedia();
                    if (!FRealMedia)
                        throw TEngineMissing();
                }
                IRealMediaEngine* engine = FRealMedia.get();
                connect(engine, &IRealMediaEngine::ErrorMessage, this, &TRadioPlayer::RealMediaErrorMessage);
                connect(engine, &IRealMediaEngine::Buffering, this, &TRadioPlayer::RealMediaBuffering);
                engine->SetMute(FMute);
                checkpoint();
                engine->SetVolume(static_cast<quint16>(FVolume));
                checkpoint();
                engine->SetSource(address);
                checkpoint();
                engine->DoPlay();
                checkpoint();
                FActive = engine;
                QCoreApplication::processEvents();
                checkpoint();
                if (FWindowsMedia && FWindowsMedia->PlayState() != IWindowsMediaEngine::wmppsStopped)
                    FWindowsMedia->Stop();
            } else {
                if (!FWindowsMedia) {
                    if (!FFactory->IsWindowsMediaInstalled())
                        throw TEngineMissing();
                    FWindowsMedia = FFactory->CreateWindowsMedia();
                    if (!FWindowsMedia)
                        throw TEngineMissing();
                }
                IWindowsMediaEngine* engine = FWindowsMedia.get();
                connect(engine, &IWindowsMediaEngine::Error, this, &TRadioPlayer::WindowsMediaError);
                connect(engine, &IWindowsMediaEngine::Buffering, this, &TRadioPlayer::WindowsMediaBuffering);
                engine->SetMute(FMute);
                checkpoint();
                engine->SetVolume(FVolume);
                checkpoint();
                engine->SetURL(address);
                checkpoint();
                engine->Play();
                checkpoint();
                FActive = engine;
                QCoreApplication::processEvents();
                checkpoint();
                if (FRealMedia && FRealMedia->GetPlayState() != IRealMediaEngine::rpStopped)
                    FRealMedia->DoStop();
            }
        } catch (const TPlayInterrupted&) {
            return;
        } catch (...) {
            if (!self || FOperation != operation)
                return;
            if (FActive) {
                // The engine runs; the next poll reports its real state.
                FState = psStopped;
                return;
            }
            Reset();
            if (!NotifyChange() || FOperation != operation)
                return;
            // The handler may replace or destroy the player, so this is the
            // last thing Play does.
            Q_EMIT EngineMissing(kind);
        }
    } catch (...) {}
}

void TRadioPlayer::Stop()
{
    const quint64 operation = ++FOperation;
    Reset();
    if (!NotifyChange() || FOperation != operation)
        return;
    TEngineFrame frame(this);
    if (FWindowsMedia && FWindowsMedia->PlayState() != IWindowsMediaEngine::wmppsStopped)
        FWindowsMedia->Stop();
    if (frame.Alive() && FOperation == operation && FRealMedia
        && FRealMedia->GetPlayState() != IRealMediaEngine::rpStopped)
        FRealMedia->DoStop();
}

void TRadioPlayer::ReportPlaying(int bitsPerSecond, const QString& title)
{
    const int bitRate = bitsPerSecond / 1000;
    const QString info = TrimText(title);
    if (FState == psPlaying && FBitRate == bitRate && FInfoText == info)
        return;
    FState = psPlaying;
    FBitRate = bitRate;
    FInfoText = info;
    NotifyChange();
}

void TRadioPlayer::Poll()
{
    if (!FActive)
        return;
    if (FActive == FRealMedia.get()) {
        IRealMediaEngine* engine = FRealMedia.get();
        switch (engine->GetPlayState()) {
        case IRealMediaEngine::rpStopped: BecomeState(psStopped); break;
        case IRealMediaEngine::rpBuffering: BecomeState(psBuffering); break;
        case IRealMediaEngine::rpPlaying: ReportPlaying(engine->GetBandwidthAverage(), engine->GetTitle()); break;
        default: BecomeState(psConnecting); break;
        }
        return;
    }
    IWindowsMediaEngine* engine = FWindowsMedia.get();
    switch (engine->PlayState()) {
    case IWindowsMediaEngine::wmppsStopped: BecomeState(psStopped); break;
    case IWindowsMediaEngine::wmppsPlaying: ReportPlaying(engine->NetworkBitRate(), engine->CurrentMediaName()); break;
    case IWindowsMediaEngine::wmppsBuffering: {
        const int progress = engine->NetworkBufferingProgress();
        if (FState == psBuffering && FProgress == progress)
            return;
        FState = psBuffering;
        FProgress = progress;
        NotifyChange();
        break;
    }
    default: BecomeState(psConnecting); break;
    }
}

void TRadioPlayer::WindowsMediaError()
{
    TEngineFrame frame(this);
    IWindowsMediaEngine* engine = FWindowsMedia.get();
    QString text;
    const int count = engine->ErrorCount();
    for (int i = 0; i < count; ++i)
        text += TrimText(engine->ErrorDescription(i)) + QStringLiteral("\r\n");
    FInfoText = text;
    FState = psError;
    engine->ClearErrorQueue();
    NotifyChange();
}

void TRadioPlayer::WindowsMediaBuffering(bool start)
{
    TEngineFrame frame(this);
    FProgress = start ? 0 : 100;
    NotifyChange();
}

void TRadioPlayer::RealMediaErrorMessage(int, int, int, const QString&, const QString&, const QString& errorString)
{
    TEngineFrame frame(this);
    FState = psError;
    FInfoText = TrimText(errorString);
    NotifyChange();
}

void TRadioPlayer::RealMediaBuffering(int, int percent)
{
    TEngineFrame frame(this);
    if (percent == FProgress)
        return;
    FProgress = percent;
    NotifyChange();
}
