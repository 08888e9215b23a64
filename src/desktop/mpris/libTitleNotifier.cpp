#include "libTitleNotifier.h"

#include "KestrelVersion.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {
const QString SService = QStringLiteral("org.freedesktop.Notifications");
const QString SPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage NotificationsCall(const QString& method)
{
    return QDBusMessage::createMethodCall(SService, SPath, SService, method);
}
} // namespace

TTitleNotifier::TTitleNotifier(const QString& appName, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), FAppName(appName), FBus(bus)
{}

void TTitleNotifier::Update(const QString& title, const QString& station, bool show)
{
    // Stations pad and space their titles at will: only what is not white
    // space tells two titles apart.
    QString key = title;
    key.removeIf([](QChar c) { return c.isSpace(); });
    if (key.isEmpty() || key == FLastTitle)
        return;
    FLastTitle = key;
    if (show && FBus.isConnected())
        Send({title.simplified(), station.simplified()});
}

void TTitleNotifier::Send(const TNote& note)
{
    if (FCalling) {
        FWaiting = note;
        return;
    }
    FCalling = true;
    if (FMarkup)
        CallNotify(note);
    else
        AskCapabilities(note);
}

void TTitleNotifier::AskCapabilities(const TNote& note)
{
    auto* watcher =
        new QDBusPendingCallWatcher(FBus.asyncCall(NotificationsCall(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, note](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QStringList> reply = *call;
        if (reply.isError()) {
            // No server: the note is dropped, the next title asks again.
            CallEnded();
            return;
        }
        FMarkup = reply.value().contains(QStringLiteral("body-markup"));
        CallNotify(note);
    });
}

void TTitleNotifier::CallNotify(const TNote& note)
{
    QDBusMessage call = NotificationsCall(QStringLiteral("Notify"));
    const QString appId = QString::fromUtf16(KESTREL_APP_ID);
    const QVariantMap hints{{QStringLiteral("desktop-entry"), appId}};
    // The summary is plain text everywhere; a body is markup where the server says so.
    call << FAppName << FId << appId << note.Summary << (*FMarkup ? note.Body.toHtmlEscaped() : note.Body)
         << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(FBus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusPendingReply<uint> reply = *answer;
        if (!reply.isError())
            FId = reply.value();
        CallEnded();
    });
}

void TTitleNotifier::CallEnded()
{
    FCalling = false;
    if (FWaiting) {
        const TNote note = *FWaiting;
        FWaiting.reset();
        Send(note);
    }
}
