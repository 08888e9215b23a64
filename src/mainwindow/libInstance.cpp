#include "libInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <utility>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

Q_LOGGING_CATEGORY(lcSingleInstance, "kestrel.instance", QtWarningMsg)

// The answer of a handled record, as the 32-bit result of the message it stands for.
constexpr quint32 Answer = 1;

// How long a second start keeps knocking while the first one holds the lock
// but is still building its window and not yet listening.
constexpr int StartingGraceMs = 5000;

QString RuntimeFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

QString UserName()
{
#ifdef Q_OS_UNIX
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name && *entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

} // namespace

QStringList CommandLineFiles(const QStringList& arguments)
{
    QStringList files;
    for (const QString& argument : arguments)
        if (!argument.isEmpty())
            files.append(QFileInfo(argument).absoluteFilePath());
    return files;
}

namespace HandOver {

QByteArray Pack(const QStringList& arguments)
{
    QByteArray block;
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        block += argument.toLocal8Bit();
        block += '\0';
    }
    block += '\0';
    QByteArray record(HeaderSize, Qt::Uninitialized);
    qToLittleEndian<quint32>(Tag, record.data());
    qToLittleEndian<quint32>(quint32(block.size()), record.data() + 4);
    return record + block;
}

std::optional<QStringList> Parse(QByteArrayView record)
{
    if (record.size() < HeaderSize)
        return std::nullopt;
    const quint32 tag = qFromLittleEndian<quint32>(record.data());
    const quint32 size = qFromLittleEndian<quint32>(record.data() + 4);
    if (tag != Tag || size > MaxBlock || record.size() != HeaderSize + qsizetype(size))
        return std::nullopt;
    const QByteArrayView block = record.sliced(HeaderSize);
    QStringList arguments;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = block.indexOf('\0', start);
        if (end < 0)
            return std::nullopt;
        if (end == start)
            return arguments;
        // Each argument as it was packed: a leading byte-order mark is part
        // of a file name, and bytes the local encoding cannot hold name no
        // file the sender could have packed, so the record is refused.
        QStringDecoder decoder(QStringConverter::System,
                               QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
        QString argument = decoder.decode(block.sliced(start, end - start));
        if (decoder.hasError())
            return std::nullopt;
        arguments.append(std::move(argument));
        start = end + 1;
    }
}

} // namespace HandOver

// One connected client: collects its record under a time limit, so a client
// that stalls or sends nothing holds up nobody else.
class TInstanceClient : public QObject
{
public:
    TInstanceClient(QLocalSocket* socket, int timeout, QObject* parent) : QObject(parent), Socket(socket)
    {
        socket->setParent(this);
        Timer.setSingleShot(true);
        Timer.start(timeout);
    }

    // Drops the connection without an answer; the object goes with it.
    void Refuse(const char* why)
    {
        qCInfo(lcSingleInstance, "hand-over refused: %s", why);
        Close();
    }

    void Close()
    {
        Timer.stop();
        Socket->disconnect(this);
        Socket->abort();
        deleteLater();
    }

    QLocalSocket* Socket;
    QByteArray Data;
    QTimer Timer;
    bool Handling = false;
};

TSingleInstance::TSingleInstance(const QString& key, QObject* parent)
    : QObject(parent), FLock(RuntimeFolder() + u'/' + key + QStringLiteral(".lock"))
{
#ifdef Q_OS_UNIX
    // A full path keeps the socket in the user's own runtime folder, beside
    // the lock, instead of the shared temporary folder.
    FServerName = RuntimeFolder() + u'/' + key;
#else
    FServerName = key;
#endif
    // A first instance may run for weeks: its lock must never count as stale
    // by age, only when its process is gone.
    FLock.setStaleLockTime(0);
}

TSingleInstance::~TSingleInstance()
{
    if (FServer)
        FServer->close();
    if (FAcquired)
        FLock.unlock();
}

QString TSingleInstance::DefaultKey() { return QStringLiteral("Lyrebird20060212-") + UserName(); }

bool TSingleInstance::Acquire()
{
    if (!FAcquired) {
        QDir().mkpath(QFileInfo(FLock.fileName()).absolutePath());
        FAcquired = FLock.tryLock(0);
    }
    return FAcquired;
}

bool TSingleInstance::Listen()
{
    if (!FAcquired)
        return false;
    if (FServer)
        return FServer->isListening();
    // Holding the lock proves that no other instance serves this name, so a
    // socket file left by a crashed one may go. Removing it earlier could
    // cut off a live first instance.
    QLocalServer::removeServer(FServerName);
    FServer = new QLocalServer(this);
    // Only the user's own processes may hand over files.
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::Serve);
    if (!FServer->listen(FServerName)) {
        qCWarning(lcSingleInstance, "cannot listen on %s: %s", qUtf8Printable(FServerName),
                  qUtf8Printable(FServer->errorString()));
        return false;
    }
    return true;
}

void TSingleInstance::SetHold(std::function<bool()> busy) { FBusy = std::move(busy); }

bool TSingleInstance::Holding() const { return FHandling || (FBusy && FBusy()); }

void TSingleInstance::Close()
{
    FClosed = true;
    if (FReleaseTimer)
        FReleaseTimer->stop();
    const QList<THeld> held = std::exchange(FHeld, {});
    for (const THeld& entry : held)
        if (entry.Client)
            entry.Client->Refuse("the program is closing");
    if (FServer)
        FServer->close();
}

void TSingleInstance::ReleaseHeld()
{
    while (!FHeld.isEmpty() && !FClosed && !Holding()) {
        const THeld entry = FHeld.takeFirst();
        if (entry.Client)
            Handle(entry.Client, entry.Arguments, false);
    }
    if (FHeld.isEmpty() && FReleaseTimer)
        FReleaseTimer->stop();
}

void TSingleInstance::Serve()
{
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        if (FClosed) {
            socket->abort();
            delete socket;
            continue;
        }
        auto* client = new TInstanceClient(socket, FRecordTimeout, this);
        connect(&client->Timer, &QTimer::timeout, client, [client] { client->Refuse("time limit"); });
        connect(socket, &QLocalSocket::readyRead, client, [this, client] { Receive(client); });
        connect(socket, &QLocalSocket::disconnected, client, [client] {
            if (!client->Handling)
                client->Close();
        });
        if (socket->bytesAvailable() > 0)
            Receive(client);
    }
}

void TSingleInstance::Receive(TInstanceClient* client)
{
    if (client->Handling)
        return;
    client->Data += client->Socket->readAll();
    if (client->Data.size() < HandOver::HeaderSize)
        return;
    // Judge the header at once: a wrong tag or size is refused before the
    // rest arrives.
    const quint32 tag = qFromLittleEndian<quint32>(client->Data.constData());
    const quint32 size = qFromLittleEndian<quint32>(client->Data.constData() + 4);
    if (tag != HandOver::Tag)
        return client->Refuse("another tag");
    if (size > HandOver::MaxBlock)
        return client->Refuse("oversized");
    const qsizetype total = HandOver::HeaderSize + qsizetype(size);
    if (client->Data.size() < total)
        return;
    if (client->Data.size() > total)
        return client->Refuse("bytes after the record");
    const std::optional<QStringList> arguments = HandOver::Parse(client->Data);
    if (!arguments)
        return client->Refuse("malformed");

    client->Timer.stop();
    client->Handling = true;
    if (FClosed)
        return client->Refuse("the program is closing");
    if (!Holding() && FHeld.isEmpty())
        return Handle(client, *arguments, true);

    // Shown at once, so the user sees the dialog that holds it up.
    const QPointer<TInstanceClient> alive(client);
    const QPointer<TSingleInstance> self(this);
    Q_EMIT Activate();
    if (!self || !alive)
        return;
    if (arguments->isEmpty())
        return Handle(client, *arguments, false);
    qCInfo(lcSingleInstance, "hand-over held until the open dialog closes");
    FHeld.append({client, *arguments});
    if (!FReleaseTimer) {
        // No signal tells when every dialog is gone; a short poll while
        // something waits is enough.
        FReleaseTimer = new QTimer(this);
        FReleaseTimer->setInterval(100);
        connect(FReleaseTimer, &QTimer::timeout, this, &TSingleInstance::ReleaseHeld);
    }
    FReleaseTimer->start();
}

void TSingleInstance::Handle(TInstanceClient* client, const QStringList& arguments, bool activate)
{
    // The handlers may open a modal question; the client or this object can
    // be gone when they return.
    const QPointer<TInstanceClient> alive(client);
    const QPointer<TSingleInstance> self(this);
    FHandling = true;
    if (activate)
        Q_EMIT Activate();
    if (self && !arguments.isEmpty())
        Q_EMIT HandOver(arguments);
    if (!self)
        return;
    FHandling = false;
    if (!alive)
        return;
    char answer[4];
    qToLittleEndian<quint32>(Answer, answer);
    client->Socket->write(answer, sizeof answer);
    client->Socket->flush();
    client->Socket->disconnect(client);
    client->Socket->disconnectFromServer();
    client->deleteLater();
}

bool TSingleInstance::Forward(const QStringList& arguments)
{
    const QByteArray record = HandOver::Pack(arguments);
    if (record.size() > HandOver::HeaderSize + qsizetype(HandOver::MaxBlock)) {
        qCWarning(lcSingleInstance, "command line too long to hand over");
        return false;
    }
    QLocalSocket socket;
    const QDeadlineTimer grace(StartingGraceMs);
    for (;;) {
        socket.connectToServer(FServerName);
        if (socket.waitForConnected(1000))
            break;
        // Nobody holds the lock: there is no first instance to wait for.
        if (grace.hasExpired() || !QFileInfo::exists(FLock.fileName()))
            return false;
        QThread::msleep(100);
    }
    socket.write(record);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(-1))
            return false;
    // No time limit here: the first instance answers after its handlers,
    // which may wait for the user.
    while (socket.bytesAvailable() < qint64(sizeof(quint32)))
        if (!socket.waitForReadyRead(-1))
            break;
    if (socket.bytesAvailable() < qint64(sizeof(quint32)))
        return false;
    const QByteArray answer = socket.read(sizeof(quint32));
    return qFromLittleEndian<quint32>(answer.constData()) == Answer;
}
