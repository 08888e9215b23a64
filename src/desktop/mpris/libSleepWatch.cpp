#include "libSleepWatch.h"

TLogindSleepWatch::TLogindSleepWatch(const QDBusConnection& bus, QObject* parent) : ISleepWatch(parent)
{
    if (!bus.isConnected())
        return;
    // Only logind's own signal counts: the name ties it to its owner.
    FWatching = QDBusConnection(bus).connect(QStringLiteral("org.freedesktop.login1"),
                                             QStringLiteral("/org/freedesktop/login1"),
                                             QStringLiteral("org.freedesktop.login1.Manager"),
                                             QStringLiteral("PrepareForSleep"), this, SLOT(PrepareForSleep(bool)));
}

void TLogindSleepWatch::PrepareForSleep(bool start)
{
    // Sent with true before the sleep and with false after the wake.
    if (!start)
        Q_EMIT Woke();
}
