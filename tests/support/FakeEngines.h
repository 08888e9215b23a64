#pragma once
// Scripted engines for both roles and a factory that hands them out. Tests set
// the values the player reads (play state, bit rate, title, buffering progress,
// error queue), raise the engines' events, make chosen calls fail, and read back
// every command in the order it was given, across both engines and the factory:
//   "wm.IsInstalled()", "wm.Create()", "wm.SetMute(true)", "wm.SetVolume(40)",
//   "wm.SetURL(mms://a)", "wm.Play()", "wm.Stop()", "wm.ClearErrorQueue()",
//   "rm.IsInstalled()", "rm.Create()", "rm.SetMute(false)", "rm.SetVolume(40)",
//   "rm.SetSource(rtsp://b)", "rm.DoPlay()", "rm.DoStop()".
// Reads (play state, bit rate, ...) are not logged but can be made to fail too.

#include "libEngine.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

// Shared by a factory and the engines it made (engines may outlive the factory).
struct TFakeEngineScript
{
    QStringList Calls;
    // Calls by name ("wm.Play", "rm.Create", "wm.PlayState") that throw each
    // time they are made, EProgramError or, with ThrowStd, std::runtime_error.
    QStringList ThrowOn;
    bool ThrowStd = false;
    // Runs on every logged call after it was logged and before it takes effect
    // or throws; tests use it to emit events or re-enter the player mid-call.
    std::function<void(const QString& call)> OnCall;

    // Logs the call, runs OnCall, throws when the name is in ThrowOn.
    void Call(const QString& name, const QString& argument = QString());
    // Throws when the name is in ThrowOn; not logged.
    void Read(const QString& name) const;
};

class TFakeWindowsMedia final : public IWindowsMediaEngine
{
    Q_OBJECT
public:
    explicit TFakeWindowsMedia(std::shared_ptr<TFakeEngineScript> script);

    // What the player reads.
    int State = wmppsStopped;
    int StateAfterPlay = 9; // "transitioning": neither buffering nor playing
    int BitRate = 0;        // bits per second
    int Progress = 100;
    QString Title;
    QStringList Errors;
    // How the stream ended; back to seNone at each Play and Stop.
    TStreamEnd End = TStreamEnd::seNone;
    // What the player last wrote.
    bool Muted = false;
    int Volume = -1;
    QString URL;

    // Queues the descriptions and raises the error event.
    void RaiseError(const QStringList& descriptions);
    void RaiseBuffering(bool start);

    void SetMute(bool mute) override;
    void SetVolume(int volume) override;
    void SetURL(const QString& address) override;
    void Play() override;
    void Stop() override;
    int PlayState() const override;
    int NetworkBitRate() const override;
    int NetworkBufferingProgress() const override;
    QString CurrentMediaName() const override;
    int ErrorCount() const override;
    QString ErrorDescription(int index) const override;
    void ClearErrorQueue() override;
    TStreamEnd StreamEnd() const override { return End; }

private:
    void Logged(const QString& name, const QString& argument = QString());
    std::shared_ptr<TFakeEngineScript> FScript;
    // Touched after every call and event returns, as a real engine goes on
    // using its own state: a player that frees an engine under its feet is
    // caught by the sanitized build.
    int FReturns = 0;
};

class TFakeRealMedia final : public IRealMediaEngine
{
    Q_OBJECT
public:
    explicit TFakeRealMedia(std::shared_ptr<TFakeEngineScript> script);

    int State = rpStopped;
    int StateAfterPlay = rpContacting;
    int Bandwidth = 0; // bits per second
    QString Title;
    TStreamEnd End = TStreamEnd::seNone;
    bool Muted = false;
    int Volume = -1;
    QString Source;

    void RaiseErrorMessage(const QString& errorText);
    void RaiseBuffering(int percent);

    void SetMute(bool mute) override;
    void SetVolume(quint16 volume) override;
    void SetSource(const QString& address) override;
    void DoPlay() override;
    void DoStop() override;
    int GetPlayState() const override;
    int GetBandwidthAverage() const override;
    QString GetTitle() const override;
    TStreamEnd StreamEnd() const override { return End; }

private:
    void Logged(const QString& name, const QString& argument = QString());
    std::shared_ptr<TFakeEngineScript> FScript;
    int FReturns = 0;
};

// Presence works as in the real factory: a positive answer holds for the run
// (the engine stays loaded), a negative one is tested afresh at the next call,
// so a test "installs" an engine by setting its flag; creating an engine that
// is not present throws EProgramError.
class TFakeEngineFactory final : public IEngineFactory
{
public:
    TFakeEngineFactory() : FScript(std::make_shared<TFakeEngineScript>()) {}

    TFakeEngineScript& Script() { return *FScript; }
    QStringList& Calls() { return FScript->Calls; }

    bool WindowsMediaInstalled = true;
    bool RealPlayerInstalled = true;
    int WindowsMediaCreated = 0;
    int RealMediaCreated = 0;
    // The engines last handed out; null once their owner destroyed them.
    QPointer<TFakeWindowsMedia> WindowsMedia;
    QPointer<TFakeRealMedia> RealMedia;

    bool IsWindowsMediaInstalled() override;
    bool IsRealPlayerInstalled() override;
    std::unique_ptr<IWindowsMediaEngine> CreateWindowsMedia() override;
    std::unique_ptr<IRealMediaEngine> CreateRealMedia() override;

private:
    std::shared_ptr<TFakeEngineScript> FScript;
    bool FWindowsMediaFound = false;
    bool FRealPlayerFound = false;
};
