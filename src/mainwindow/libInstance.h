#pragma once
// One running program per user. The first start holds a lock file and listens
// on a local socket; a later start finds the lock taken, hands its command
// line over that socket and ends.

#include <QByteArrayView>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QTimer;
class TInstanceClient;

// The station files of a command line as they travel: empty arguments are left
// out (they name no file, and the record ends at an empty string), relative
// paths are made absolute (the first instance runs in another folder).
QStringList CommandLineFiles(const QStringList& arguments);

// The hand-over record: tag 19770914, cbData, then the block of NUL-terminated
// local-8-bit arguments and a final NUL. The numbers are 32-bit little-endian.
namespace HandOver {
constexpr quint32 Tag = 19770914;
// A command line of station files is a few kilobytes at most; a larger record
// is refused so that a stray client cannot make the program hold its memory.
constexpr quint32 MaxBlock = 64 * 1024;
constexpr int HeaderSize = 8;

// Empty arguments are left out: the receiver stops at the first empty string,
// so one would silently drop every argument after it.
QByteArray Pack(const QStringList& arguments);
// Nothing for another tag, a truncated or oversized record, a block that has
// no empty string to end the list, or an argument the local encoding cannot
// decode. Bytes after that empty string are ignored.
std::optional<QStringList> Parse(QByteArrayView record);
} // namespace HandOver

class TSingleInstance : public QObject
{
    Q_OBJECT
public:
    // key names the lock file and the local socket, both in the user's runtime
    // folder (the temporary folder when there is none).
    explicit TSingleInstance(const QString& key = DefaultKey(), QObject* parent = nullptr);
    ~TSingleInstance() override;
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    static QString DefaultKey();

    // True for the first instance. A lock left by a process that no longer
    // runs is taken over.
    bool Acquire();
    // Starts serving hand-overs; only after Acquire succeeded.
    bool Listen();
    // Sends the record to the first instance and waits for its answer for as
    // long as the connection lives, since the first instance may be asking
    // about unsaved changes. An empty list only restores and raises its window.
    // False when nobody answered.
    bool Forward(const QStringList& arguments);

    // While busy() answers true (a dialog of the program is open) and while
    // one hand-over is being handled, later ones wait in order of arrival.
    // Activate is still emitted at once, so the user sees why the later start
    // waits; HandOver comes once busy() turns false. The later start waits
    // for its answer meanwhile, as it does for any hand-over.
    void SetHold(std::function<bool()> busy);
    // Hand-overs that are waiting, for tests.
    int HeldCount() const { return int(FHeld.size()); }
    // Stops serving: waiting hand-overs and any that arrive later are
    // answered as not taken, so their starts end. Called when the program
    // begins to close.
    void Close();

    // How long one client may take to send its whole record.
    void SetRecordTimeout(int milliseconds) { FRecordTimeout = milliseconds; }
    QString ServerName() const { return FServerName; }

Q_SIGNALS:
    // Both are emitted on the thread of this object for each valid record, in
    // this order, before the client gets its answer. Activate: restore and
    // raise the main window.
    void Activate();
    // Only when the record carried at least one argument.
    void HandOver(const QStringList& arguments);

private:
    void Serve();
    void Receive(TInstanceClient* client);
    bool Holding() const;
    void Handle(TInstanceClient* client, const QStringList& arguments, bool activate);
    void ReleaseHeld();

    QString FServerName;
    QLockFile FLock;
    bool FAcquired = false;
    QLocalServer* FServer = nullptr;
    int FRecordTimeout = 5000;
    std::function<bool()> FBusy;
    bool FHandling = false;
    bool FClosed = false;
    struct THeld
    {
        QPointer<TInstanceClient> Client;
        QStringList Arguments;
    };
    QList<THeld> FHeld;
    QTimer* FReleaseTimer = nullptr;
};
