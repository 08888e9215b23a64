#pragma once
// Tells when the system has woken from sleep, so that a stream whose
// connection died with the sleep starts again at once instead of after the
// network time-out. On Linux logind says so on the system bus
// (org.freedesktop.login1.Manager.PrepareForSleep(false)); where there is no
// system bus or no logind (containers, other init systems) nothing is ever
// told, and nothing fails.

#include <QDBusConnection>
#include <QObject>

class ISleepWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ISleepWatch() override = default;

Q_SIGNALS:
    void Woke();
};

class TLogindSleepWatch final : public ISleepWatch
{
    Q_OBJECT
public:
    explicit TLogindSleepWatch(const QDBusConnection& bus = QDBusConnection::systemBus(), QObject* parent = nullptr);

    // Whether the bus could be reached and the signal subscribed to.
    bool Watching() const { return FWatching; }

private Q_SLOTS:
    void PrepareForSleep(bool start);

private:
    bool FWatching = false;
};
