#pragma once
// The "Windows Media" role played by libmpv. libmpv is loaded at run time, so
// the program runs (with this engine absent) on systems without it.

#include "libEngine.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <atomic>
#include <memory>

struct TMpvApi;
struct mpv_handle;
struct mpv_event;
struct mpv_node;

// The library name, KESTREL_LIBMPV or "libmpv.so.2".
QByteArray MpvLibraryName();
// The resolved entry points, or null when the library or one of its symbols is
// missing. A library that loaded is kept for the run and never unloaded (libmpv
// starts threads and registers handlers that do not survive dlclose); a missing
// one is looked for again at every call.
const TMpvApi* LoadMpvApi(const QByteArray& libraryName);

// mms has two transports; a station's "mms://" address is tried as mmsh first
// (HTTP, passes most firewalls), then as mmst. Other addresses are used as given.
QStringList MpvAddressCandidates(const QString& address);

class TMpvEngine final : public IWindowsMediaEngine
{
    Q_OBJECT
public:
    // Throws EProgramError when mpv cannot be set up.
    explicit TMpvEngine(const TMpvApi* api, QObject* parent = nullptr);
    ~TMpvEngine() override;

    void SetMute(bool mute) override;
    void SetVolume(int volume) override;
    void SetURL(const QString& address) override;
    void Play() override;
    void Stop() override;

    int PlayState() const override;
    int NetworkBitRate() const override;
    int NetworkBufferingProgress() const override { return FBufferingProgress; }
    QString CurrentMediaName() const override;

    int ErrorCount() const override { return int(FErrors.size()); }
    QString ErrorDescription(int index) const override { return FErrors.value(index); }
    void ClearErrorQueue() override { FErrors.clear(); }
    TStreamEnd StreamEnd() const override { return FEnd; }

private:
    void Drain();
    void HandleEvent(const mpv_event& event);
    void LoadCandidate();
    void ResetStreamState();
    void TakeMetadata(const mpv_node* map);
    static void Wakeup(void* self);

    const TMpvApi* FApi;
    mpv_handle* FCtx = nullptr;
    QString FURL;
    QStringList FCandidates; // addresses still to try for the current Play
    qint64 FEntry = -1;      // mpv's playlist entry of the current Play; other entries are stale
    bool FActive = false;    // a Play is in progress (not stopped, not ended)
    bool FStarted = false;   // mpv has begun our entry; earlier property values are stale
    bool FRestarted = false; // audio is flowing
    bool FPausedForCache = false;
    int FBitRate = 0;        // measured
    int FNominalBitRate = 0; // declared by the station (icy-br)
    int FBufferingProgress = 100;
    bool FHasDuration = false; // with a size too, the stream is a clip, not live radio
    bool FHasSize = false;
    bool FUnknownScheme = false; // no protocol of libmpv's handles the address
    QSet<QString> FProtocols;    // libmpv's protocols; empty when it did not tell
    TStreamEnd FEnd = TStreamEnd::seNone;
    QString FIcyTitle;   // the programme, from ICY metadata
    QString FMediaTitle; // the stream's own title tag
    QStringList FErrors;
    std::atomic_bool FDrainQueued{false};
};
