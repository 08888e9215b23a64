#include "libMprisService.h"

#include "KestrelVersion.h"
#include "libMprisPlayerAdaptor.h"
#include "libMprisRootAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QPointer>

namespace {
const QString SPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString SPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// How often held commands look whether the program is free again.
constexpr int HoldRetryMs = 100;
} // namespace

TMprisService::TMprisService(IMediaControl& control, const QString& identity, QObject* parent)
    : QObject(parent), FControl(control), FIdentity(identity), FProperties(PlayerProperties(FState, TrackPath(0)))
{
    // Owned by the service; the bus finds them as its children.
    new TMprisRootAdaptor(this);
    new TMprisPlayerAdaptor(this);
    FRetry.setSingleShot(true);
    FRetry.setInterval(HoldRetryMs);
    connect(&FRetry, &QTimer::timeout, this, &TMprisService::RunQueued);
}

TMprisService::~TMprisService() { Withdraw(); }

bool TMprisService::Publish(const QDBusConnection& bus)
{
    Withdraw();
    if (!bus.isConnected())
        return false;
    QDBusConnection connection = bus;
    if (!connection.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    // A second copy of the program (another user's session bus shares no
    // names, but a test or a renamed copy may) takes a name of its own.
    const QString instance =
        ServiceBase + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
    for (const QString& name : {ServiceBase, instance}) {
        if (connection.registerService(name)) {
            FBus = connection;
            FServiceName = name;
            return true;
        }
    }
    connection.unregisterObject(ObjectPath);
    return false;
}

void TMprisService::Withdraw()
{
    FQueued.clear();
    FRetry.stop();
    if (!FBus)
        return;
    FBus->unregisterService(FServiceName);
    FBus->unregisterObject(ObjectPath);
    FBus.reset();
    FServiceName.clear();
}

void TMprisService::SetHold(std::function<bool()> busy) { FHold = std::move(busy); }

void TMprisService::SetState(const TMediaState& state)
{
    if (state.TrackKey != FState.TrackKey)
        FTrack = state.TrackKey.isEmpty() ? 0 : ++FTracks;
    FState = state;
    QVariantMap properties = PlayerProperties(FState, TrackPath(FTrack));
    const QVariantMap changed = ChangedProperties(FProperties, properties);
    FProperties = std::move(properties);
    if (changed.isEmpty() || !FBus)
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, SPropertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << SPlayerInterface << changed << QStringList();
    FBus->send(signal);
}

QString TMprisService::DesktopEntry() const { return QString::fromUtf16(KESTREL_APP_ID); }

QString TMprisService::PlaybackStatus() const { return FProperties.value(QStringLiteral("PlaybackStatus")).toString(); }

QVariantMap TMprisService::Metadata() const { return FProperties.value(QStringLiteral("Metadata")).toMap(); }

void TMprisService::SetVolume(double volume)
{
    // Clients hear of the new value once the program has taken it.
    if (const std::optional<int> value = ProgramVolume(volume))
        Queue([this, v = *value] { FControl.SetVolume(v); });
}

void TMprisService::Raise()
{
    // Not held: the user sees the dialog that keeps the other commands waiting.
    QMetaObject::invokeMethod(
        this, [this] { FControl.Raise(); }, Qt::QueuedConnection);
}

void TMprisService::Quit()
{
    Queue([this] { FControl.Quit(); });
}

void TMprisService::Next()
{
    if (FState.CanGoNext)
        Queue([this] { FControl.Next(); });
}

void TMprisService::Previous()
{
    if (FState.CanGoPrevious)
        Queue([this] { FControl.Previous(); });
}

void TMprisService::Pause() { Stop(); }

void TMprisService::PlayPause()
{
    // Decided by what the client saw when it asked.
    if (FState.Playing)
        Stop();
    else
        Play();
}

void TMprisService::Stop()
{
    Queue([this] { FControl.Stop(); });
}

void TMprisService::Play()
{
    if (FState.CanPlay)
        Queue([this] { FControl.Play(); });
}

void TMprisService::Queue(std::function<void()> command)
{
    FQueued.append(std::move(command));
    QMetaObject::invokeMethod(this, &TMprisService::RunQueued, Qt::QueuedConnection);
}

void TMprisService::RunQueued()
{
    // A command that runs the event loop finishes before the next one starts.
    if (FRunning)
        return;
    const QPointer<TMprisService> alive(this);
    while (!FQueued.isEmpty()) {
        if (FHold && FHold()) {
            FRetry.start();
            return;
        }
        const std::function<void()> command = FQueued.takeFirst();
        FRunning = true;
        command();
        if (!alive)
            return;
        FRunning = false;
    }
}
