#include "TestSessionBus.h"

#include <QProcess>
#include <QTest>

#include <stdexcept>

namespace {
const QString SNotifications = QStringLiteral("org.freedesktop.Notifications");
}

TFakeNotificationServer::TFakeNotificationServer(const QStringList& capabilities)
    : FBus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-notifications"))),
      FCapabilities(capabilities)
{
    if (!FBus.isConnected())
        throw std::runtime_error("no session bus: run the test under dbus-run-session");
    if (!FBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots)
        || !FBus.registerService(SNotifications))
        throw std::runtime_error("the notification server cannot take its name");
}

TFakeNotificationServer::~TFakeNotificationServer()
{
    FBus.unregisterService(SNotifications);
    QDBusConnection::disconnectFromBus(FBus.name());
}

uint TFakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& icon,
                                     const QString& summary, const QString& body, const QStringList&,
                                     const QVariantMap& hints, int)
{
    const bool replaces = replacesId != 0 && replacesId <= FLastId;
    const uint id = replaces ? replacesId : ++FLastId;
    FReceived.append({appName, replacesId, icon, summary, body, hints, id});
    return id;
}

QStringList TFakeNotificationServer::Summaries() const
{
    QStringList summaries;
    for (const TNotification& notification : FReceived)
        summaries << notification.Summary;
    return summaries;
}

QString TFakeNotificationServer::GetServerInformation(QString& vendor, QString& version, QString& specVersion) const
{
    vendor = QStringLiteral("tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake-notifications");
}

TProgramRun RunClient(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess process;
    process.start(program, args);
    TProgramRun run;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return run;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return run;
    run.Exit = process.exitCode();
    run.Out = process.readAllStandardOutput();
    run.Err = process.readAllStandardError();
    return run;
}

QString Playerctl(const QString& player, const QStringList& args)
{
    const TProgramRun run =
        RunClient(QStringLiteral("playerctl"), QStringList{QStringLiteral("--player"), player} + args);
    QString out = QString::fromUtf8(run.Out);
    if (out.endsWith(u'\n'))
        out.chop(1);
    return out;
}
