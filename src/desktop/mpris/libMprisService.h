#pragma once
// The program's MPRIS2 service on the session bus: the root and player
// interfaces at /org/mpris/MediaPlayer2 under org.mpris.MediaPlayer2.kestrel_radio
// (with an instance suffix when another process holds that name). The
// adaptors are generated from the interface XML beside this file and read
// the properties below; the service signals PropertiesChanged only for
// values that really changed.
//
// Commands from clients are queued: the bus call returns at once, and the
// command runs later from the event loop, after any earlier one, and not
// while the hold says the program is busy (a dialog is open).

#include "libMediaPlayer.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class TMprisService final : public QObject
{
    Q_OBJECT
    // org.mpris.MediaPlayer2
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
    // org.mpris.MediaPlayer2.Player
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    static inline const QString ServiceBase = QStringLiteral("org.mpris.MediaPlayer2.kestrel_radio");
    static inline const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

    // control is not owned and must outlive the service; identity is the
    // name clients show for the program.
    TMprisService(IMediaControl& control, const QString& identity, QObject* parent = nullptr);
    ~TMprisService() override;

    // Takes the service name and serves the object; false without a bus or
    // when neither name can be had.
    bool Publish(const QDBusConnection& bus = QDBusConnection::sessionBus());
    // Gives the name and the object back; queued commands are dropped.
    void Withdraw();
    // The name taken, empty while not published.
    const QString& ServiceName() const { return FServiceName; }

    // While busy() answers true, queued commands wait (Raise does not).
    void SetHold(std::function<bool()> busy);
    // What the player now tells; clients hear of the values that changed.
    void SetState(const TMediaState& state);
    const TMediaState& State() const { return FState; }

    // ---- properties
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    const QString& Identity() const { return FIdentity; }
    QString DesktopEntry() const;
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

    QString PlaybackStatus() const;
    // A live stream plays at its own pace only.
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    QVariantMap Metadata() const;
    double Volume() const { return FState.Volume / 100.0; }
    void SetVolume(double volume);
    qlonglong Position() const { return 0; }
    bool CanGoNext() const { return FState.CanGoNext; }
    bool CanGoPrevious() const { return FState.CanGoPrevious; }
    bool CanPlay() const { return FState.CanPlay; }
    bool CanPause() const { return FState.CanPlay; }
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }

    // ---- methods, called by the adaptors
    void Raise();
    void Quit();
    void Next();
    void Previous();
    // A live stream cannot pause: pausing stops it.
    void Pause();
    // Stops while playing, plays otherwise.
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    // No address schemes are offered, so clients send none.
    void OpenUri(const QString&) {}

Q_SIGNALS:
    // Declared by the player interface; a live stream never seeks.
    void Seeked(qlonglong position);

private:
    void Queue(std::function<void()> command);
    void RunQueued();

    IMediaControl& FControl;
    QString FIdentity;
    std::optional<QDBusConnection> FBus;
    QString FServiceName;
    TMediaState FState;
    quint64 FTracks = 0;
    quint64 FTrack = 0;
    QVariantMap FProperties;
    std::function<bool()> FHold;
    QList<std::function<void()>> FQueued;
    bool FRunning = false;
    QTimer FRetry;
};
