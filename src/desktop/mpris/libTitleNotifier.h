#pragma once
// A desktop notification (org.freedesktop.Notifications) for each new
// programme title: one notification, replaced in place as the title changes.
// A title is new when it differs from the last one seen in more than white
// space; a blank title (stopped, between titles) is no change. Calls are
// asynchronous; a bus without a notification server costs nothing but the
// failed call.

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

class TTitleNotifier final : public QObject
{
    Q_OBJECT
public:
    // appName is the name the notifications are sent under.
    explicit TTitleNotifier(const QString& appName, const QDBusConnection& bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);

    // The id the server gave the notification; 0 before its first answer.
    uint NotificationId() const { return FId; }

public Q_SLOTS:
    // The programme title now playing on the station. show says whether a
    // new title may be shown now (the window is not in front and the user
    // wants notifications); a new title that is not shown is still seen.
    void Update(const QString& title, const QString& station, bool show);

private:
    struct TNote
    {
        QString Summary;
        QString Body;
    };
    void Send(const TNote& note);
    void AskCapabilities(const TNote& note);
    void CallNotify(const TNote& note);
    void CallEnded();

    QString FAppName;
    QDBusConnection FBus;
    QString FLastTitle;
    uint FId = 0;
    // Whether the server's bodies take markup; unknown before its first answer.
    std::optional<bool> FMarkup;
    // One call at a time, so the next one knows the id to replace; the newest
    // title that came meanwhile waits.
    bool FCalling = false;
    std::optional<TNote> FWaiting;
};
