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

void TFakeWindowsMedia::RaiseError(const QStringList& descriptions)
{
    Errors += descriptions;
    Q_EMIT Error();
}

void TFakeWindowsMedia::SetMute(bool mute)
{
    FScript->Call(QStringLiteral("wm.SetMute"), BoolText(mute));
    Muted = mute;
}

void TFakeWindowsMedia::SetVolume(int volume)
{
    FScript->Call(QStringLiteral("wm.SetVolume"), QString::number(volume));
    Volume = volume;
}

void TFakeWindowsMedia::SetURL(const QString& address)
{
    FScript->Call(QStringLiteral("wm.SetURL"), address);
    URL = address;
}

void TFakeWindowsMedia::Play()
{
    FScript->Call(QStringLiteral("wm.Play"));
    State = StateAfterPlay;
}

void TFakeWindowsMedia::Stop()
{
    FScript->Call(QStringLiteral("wm.Stop"));
    State = wmppsStopped;
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
    FScript->Call(QStringLiteral("wm.ClearErrorQueue"));
    Errors.clear();
}

TFakeRealMedia::TFakeRealMedia(std::shared_ptr<TFakeEngineScript> script) : FScript(std::move(script)) {}

void TFakeRealMedia::SetMute(bool mute)
{
    FScript->Call(QStringLiteral("rm.SetMute"), BoolText(mute));
    Muted = mute;
}

void TFakeRealMedia::SetVolume(quint16 volume)
{
    FScript->Call(QStringLiteral("rm.SetVolume"), QString::number(volume));
    Volume = volume;
}

void TFakeRealMedia::SetSource(const QString& address)
{
    FScript->Call(QStringLiteral("rm.SetSource"), address);
    Source = address;
}

void TFakeRealMedia::DoPlay()
{
    FScript->Call(QStringLiteral("rm.DoPlay"));
    State = StateAfterPlay;
}

void TFakeRealMedia::DoStop()
{
    FScript->Call(QStringLiteral("rm.DoStop"));
    State = rpStopped;
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

bool TFakeEngineFactory::IsWindowsMediaInstalled()
{
    FScript->Call(QStringLiteral("wm.IsInstalled"));
    return WindowsMediaInstalled;
}

bool TFakeEngineFactory::IsRealPlayerInstalled()
{
    FScript->Call(QStringLiteral("rm.IsInstalled"));
    return RealPlayerInstalled;
}

std::unique_ptr<IWindowsMediaEngine> TFakeEngineFactory::CreateWindowsMedia()
{
    FScript->Call(QStringLiteral("wm.Create"));
    auto engine = std::make_unique<TFakeWindowsMedia>(FScript);
    ++WindowsMediaCreated;
    WindowsMedia = engine.get();
    return engine;
}

std::unique_ptr<IRealMediaEngine> TFakeEngineFactory::CreateRealMedia()
{
    FScript->Call(QStringLiteral("rm.Create"));
    auto engine = std::make_unique<TFakeRealMedia>(FScript);
    ++RealMediaCreated;
    RealMedia = engine.get();
    return engine;
}
