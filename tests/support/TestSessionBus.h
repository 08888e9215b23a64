#pragma once
// Helpers for tests on a private session bus (ctest runs them under
// dbus-run-session): a notification server of the test's own, and a client
// program run while the event loop goes on, so that it can talk to services
// of the test's own process.

#include "TestSupport.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// org.freedesktop.Notifications on a connection of its own, so calls to it
// travel through the bus like a real server's. Each Notify is recorded; a
// replaced notification keeps its id, a new one gets the next.
class TFakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct TNotification
    {
        QString AppName;
        uint ReplacesId = 0;
        QString Icon;
        QString Summary;
        QString Body;
        QVariantMap Hints;
        // The id answered.
        uint Id = 0;
    };

    // Throws std::runtime_error when the server cannot take its name.
    explicit TFakeNotificationServer(const QStringList& capabilities = {QStringLiteral("body")});
    ~TFakeNotificationServer() override;

    const QList<TNotification>& Received() const { return FReceived; }
    // The summaries received, in order.
    QStringList Summaries() const;

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
    QStringList GetCapabilities() const { return FCapabilities; }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) const;
    void CloseNotification(uint) {}

private:
    QDBusConnection FBus;
    QStringList FCapabilities;
    QList<TNotification> FReceived;
    uint FLastId = 0;
};

// Runs a program to its end while the event loop keeps running (a blocking
// wait would keep this process's own services from answering it).
TProgramRun RunClient(const QString& program, const QStringList& args, int timeoutMs = 15000);
// playerctl for the given player name, its output without the final newline.
QString Playerctl(const QString& player, const QStringList& args);
