#include "FakeEngines.h"

#include "libError.h"

#include <stdexcept>

void TFakeEngineScript::Call(const QString& name, const QString& argument)
{
    Calls.append(name + u'(' + argument + u')');
    if (OnCall)
        OnCall(Calls.constLast());
    Read(name);
}

void TFakeEngineScript::Read(const QString& name) const
{
    if (!ThrowOn.contains(name))
        return;
    if (ThrowStd)
        throw std::runtime_error("scripted failure");
    throw EProgramError(QStringLiteral("scripted failure: ") + name);
}

namespace {
QString BoolText(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }
} // namespace

TFakeWindowsMedia::TFakeWindowsMedia(std::shared_ptr<TFakeEngineScript> script) : FScript(std::move(script)) {}

void TFakeWindowsMedia::Logged(const QString& name, const QString& argument)
{
    FScript->Call(name, argument);
    ++FReturns;
}

void TFakeWindowsMedia::RaiseError(const QStringList& descriptions)
{
    Errors += descriptions;
    Q_EMIT Error();
    ++FReturns;
}

void TFakeWindowsMedia::RaiseBuffering(bool start)
{
    Q_EMIT Buffering(start);
    ++FReturns;
}

void TFakeWindowsMedia::SetMute(bool mute)
{
    Logged(QStringLiteral("wm.SetMute"), BoolText(mute));
    Muted = mute;
}

void TFakeWindowsMedia::SetVolume(int volume)
{
    Logged(QStringLiteral("wm.SetVolume"), QString::number(volume));
    Volume = volume;
}

void TFakeWindowsMedia::SetURL(const QString& address)
{
    Logged(QStringLiteral("wm.SetURL"), address);
    URL = address;
}

void TFakeWindowsMedia::Play()
{
    Logged(QStringLiteral("wm.Play"));
    State = StateAfterPlay;
    End = TStreamEnd::seNone;
}

void TFakeWindowsMedia::Stop()
{
    Logged(QStringLiteral("wm.Stop"));
    State = wmppsStopped;
    End = TStreamEnd::seNone;
}

int TFakeWindowsMedia::PlayState() const
{
    FScript->Read(QStringLiteral("wm.PlayState"));
    return State;
}

int TFakeWindowsMedia::NetworkBitRate() const
{
    FScript->Read(QStringLiteral("wm.NetworkBitRate"));
    return BitRate;
}

int TFakeWindowsMedia::NetworkBufferingProgress() const
{
    FScript->Read(QStringLiteral("wm.NetworkBufferingProgress"));
    return Progress;
}

QString TFakeWindowsMedia::CurrentMediaName() const
{
    FScript->Read(QStringLiteral("wm.CurrentMediaName"));
    return Title;
}

int TFakeWindowsMedia::ErrorCount() const
{
    FScript->Read(QStringLiteral("wm.ErrorCount"));
    return int(Errors.size());
}

QString TFakeWindowsMedia::ErrorDescription(int index) const
{
    FScript->Read(QStringLiteral("wm.ErrorDescription"));
    return Errors.value(index);
}

void TFakeWindowsMedia::ClearErrorQueue()
{
    Logged(QStringLiteral("wm.ClearErrorQueue"));
    Errors.clear();
}

TFakeRealMedia::TFakeRealMedia(std::shared_ptr<TFakeEngineScript> script) : FScript(std::move(script)) {}

void TFakeRealMedia::Logged(const QString& name, const QString& argument)
{
    FScript->Call(name, argument);
    ++FReturns;
}

void TFakeRealMedia::RaiseErrorMessage(const QString& errorText)
{
    Q_EMIT ErrorMessage(2, 1, 0, QStringLiteral("user text"), QStringLiteral("http://127.0.0.1/more"), errorText);
    ++FReturns;
}

void TFakeRealMedia::RaiseBuffering(int percent)
{
    Q_EMIT Buffering(0, percent);
    ++FReturns;
}

void TFakeRealMedia::SetMute(bool mute)
{
    Logged(QStringLiteral("rm.SetMute"), BoolText(mute));
    Muted = mute;
}

void TFakeRealMedia::SetVolume(quint16 volume)
{
    Logged(QStringLiteral("rm.SetVolume"), QString::number(volume));
    Volume = volume;
}

void TFakeRealMedia::SetSource(const QString& address)
{
    Logged(QStringLiteral("rm.SetSource"), address);
    Source = address;
}

void TFakeRealMedia::DoPlay()
{
    Logged(QStringLiteral("rm.DoPlay"));
    State = StateAfterPlay;
    End = TStreamEnd::seNone;
}

void TFakeRealMedia::DoStop()
{
    Logged(QStringLiteral("rm.DoStop"));
    State = rpStopped;
    End = TStreamEnd::seNone;
}

int TFakeRealMedia::GetPlayState() const
{
    FScript->Read(QStringLiteral("rm.GetPlayState"));
    return State;
}

int TFakeRealMedia::GetBandwidthAverage() const
{
    FScript->Read(QStringLiteral("rm.GetBandwidthAverage"));
    return Bandwidth;
}

QString TFakeRealMedia::GetTitle() const
{
    FScript->Read(QStringLiteral("rm.GetTitle"));
    return Title;
}

namespace {
// The real factory's rule: once found, an engine stays; until then each
// question looks again.
bool Present(bool installed, bool& found)
{
    found = found || installed;
    return found;
}
} // namespace

bool TFakeEngineFactory::IsWindowsMediaInstalled()
{
    FScript->Call(QStringLiteral("wm.IsInstalled"));
    return Present(WindowsMediaInstalled, FWindowsMediaFound);
}

bool TFakeEngineFactory::IsRealPlayerInstalled()
{
    FScript->Call(QStringLiteral("rm.IsInstalled"));
    return Present(RealPlayerInstalled, FRealPlayerFound);
}

std::unique_ptr<IWindowsMediaEngine> TFakeEngineFactory::CreateWindowsMedia()
{
    FScript->Call(QStringLiteral("wm.Create"));
    if (!Present(WindowsMediaInstalled, FWindowsMediaFound))
        throw EProgramError(QStringLiteral("Windows Media engine not installed"));
    auto engine = std::make_unique<TFakeWindowsMedia>(FScript);
    ++WindowsMediaCreated;
    WindowsMedia = engine.get();
    return engine;
}

std::unique_ptr<IRealMediaEngine> TFakeEngineFactory::CreateRealMedia()
{
    FScript->Call(QStringLiteral("rm.Create"));
    if (!Present(RealPlayerInstalled, FRealPlayerFound))
        throw EProgramError(QStringLiteral("Real Media engine not installed"));
    auto engine = std::make_unique<TFakeRealMedia>(FScript);
    ++RealMediaCreated;
    RealMedia = engine.get();
    return engine;
}
