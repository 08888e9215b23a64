// The play command: plays a station's link or a stream address through the
// program's own player and prints every change the player reports. An
// address that is a playlist on a web server plays its stream entries in turn.

#include "cliCommands.h"

#include "ctlRadioPlayer.h"
#include "ctlReconnect.h"
#include "libConst.h"
#include "libEngines.h"
#include "libError.h"
#include "libKind.h"
#include "libRadio.h"
#include "libResolve.h"
#include "libSignals.h"
#include "libSleepWatch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <exception>

namespace {

// Keeps each change on one line with five tab-separated fields: line breaks
// and tabs in the information text are written as \r, \n and \t, and a
// backslash as \\ so that the escapes stay unambiguous.
QString EscapedInfo(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        default: out += c;
        }
    }
    return out;
}

QString ChangeLine(const TRadioPlayer& player)
{
    return QString::number(int(player.State())) + u'\t' + player.StateText() + u'\t'
           + QString::number(player.Progress()) + u'\t' + QString::number(player.BitRate()) + u'\t'
           + EscapedInfo(player.InfoText()) + u'\n';
}

const QString PlayUsage =
    QStringLiteral("用法: play FILE|URL [--link N] [--kind wm|rm] [--seconds S] [--no-reconnect]");

struct TPlayRequest
{
    QString Target;
    int Link = -1;            // -1: the station's current link
    int Kind = -1;            // -1: from the address
    qint64 Milliseconds = -1; // -1: until interrupted
    bool Reconnect = true;    // a dropped stream is played again
};

// Returns cliOk, or the exit code of a usage error already reported.
int ParseArguments(const QStringList& args, TPlayRequest& request)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--no-reconnect") {
            request.Reconnect = false;
            continue;
        }
        const bool option = arg == u"--link" || arg == u"--kind" || arg == u"--seconds";
        if (!option) {
            if (arg.startsWith(u"--"))
                return UsageError(QStringLiteral("未知的选项: ") + arg);
            if (!request.Target.isNull())
                return UsageError(PlayUsage);
            request.Target = arg;
            continue;
        }
        if (i + 1 >= args.size())
            return UsageError(QStringLiteral("选项缺少值: ") + arg);
        const QString value = args[++i];
        bool ok = false;
        if (arg == u"--link") {
            request.Link = value.toInt(&ok);
            if (!ok || request.Link < 0)
                return UsageError(QStringLiteral("收听连接的序号不正确: ") + value);
        } else if (arg == u"--kind") {
            if (value == StreamKindText(skWindowsMedia, ktCode))
                request.Kind = skWindowsMedia;
            else if (value == StreamKindText(skRealMedia, ktCode))
                request.Kind = skRealMedia;
            else
                return UsageError(QStringLiteral("未知的流类型: ") + value);
        } else {
            const double seconds = value.toDouble(&ok);
            // About 24 days: what a single timer can wait.
            if (!ok || !(seconds >= 0) || seconds > 2000000)
                return UsageError(QStringLiteral("秒数不正确: ") + value);
            request.Milliseconds = qRound64(seconds * 1000);
        }
    }
    if (request.Target.isNull())
        return UsageError(PlayUsage);
    return cliOk;
}

// Finds the address and kind to play; returns cliOk or the exit code of an
// error already reported.
int ResolveTarget(const TPlayRequest& request, QString& address, TStreamKind& kind)
{
    // An existing file is a station file even when its name begins like an
    // address; anything else must be a stream address.
    if (QFileInfo(request.Target).isFile()) {
        if (request.Kind >= 0)
            return UsageError(QStringLiteral("电台文件的收听连接自带流类型，不能使用 --kind"));
        TRadio radio;
        try {
            radio.LoadFromFile(request.Target);
        } catch (const EProgramError& error) {
            WriteErr(error.Message() + u'\n');
            return cliFailed;
        }
        if (radio.Links().Count() == 0) {
            WriteErr(QStringLiteral("电台没有收听连接\n"));
            return cliFailed;
        }
        const int index = request.Link >= 0 ? request.Link : radio.Link();
        if (index >= radio.Links().Count())
            return UsageError(QStringLiteral("电台只有%1个收听连接(序号从0开始): --link %2")
                                  .arg(radio.Links().Count())
                                  .arg(request.Link));
        const TRadioLink* link = radio.Links()[index];
        address = link->Href();
        kind = link->Kind();
        return cliOk;
    }
    if (request.Link >= 0)
        return UsageError(QStringLiteral("--link 只能用于电台文件"));
    const int urlKind = StreamKindOfURL(request.Target);
    if (urlKind == -2)
        return UsageError(QStringLiteral("既不是电台文件，也不是流地址: ") + request.Target);
    address = request.Target;
    kind = request.Kind >= 0 ? TStreamKind(request.Kind) : LinkKindOf(urlKind);
    return cliOk;
}

} // namespace

int CmdPlay(const QStringList& args)
{
    TPlayRequest request;
    if (const int result = ParseArguments(args, request); result != cliOk)
        return result;
    QString address;
    TStreamKind kind = skWindowsMedia;
    if (const int result = ResolveTarget(request, address, kind); result != cliOk)
        return result;

    TStopSignals stopSignals;
    QEventLoop loop;
    bool interrupted = false;
    QObject::connect(&stopSignals, &TStopSignals::Stopped, &loop, [&] {
        interrupted = true;
        loop.quit();
    });

    int result = cliOk;
    try {
        const std::unique_ptr<IEngineFactory> factory = CreateSystemEngineFactory();
        TRadioPlayer player(factory.get());
        TReconnectPolicy policy(&player);
        policy.SetEnabled(request.Reconnect);
        TLogindSleepWatch sleepWatch;
        QObject::connect(&sleepWatch, &ISleepWatch::Woke, &policy, &TReconnectPolicy::Resume);
        QObject::connect(&player, &TRadioPlayer::OnChange, &player,
                         [](TRadioPlayer* sender) { WriteOut(ChangeLine(*sender)); });
        // Where the window asks whether to open the download page, the tool
        // prints the same words, answers nothing and ends with its own exit code.
        bool engineMissing = false;
        QObject::connect(
            &player, &TRadioPlayer::EngineMissing, &player,
            [&](TStreamKind missing) {
                WriteErr(Const::SEngineMissing.arg(StreamKindText(missing, ktName)) + u'\n');
                engineMissing = true;
            },
            Qt::DirectConnection);
        // The program volume starts at 0 in the player; the tool plays at full
        // program volume and leaves loudness to the system mixer.
        player.SetVolume(100);
        // The time limit counts from here, a look at a playlist address
        // included; a signal may come at any time.
        if (request.Milliseconds >= 0)
            QTimer::singleShot(std::chrono::milliseconds(request.Milliseconds), &loop, &QEventLoop::quit);
        TStreamResolver resolver;
        // Plays what the address resolved to: the addresses to try, in order.
        resolver.Resolve(address, kind, [&](const TStreamCandidates& streams) {
            policy.Play(streams.Addresses, streams.Kind);
            if (engineMissing)
                loop.quit();
        });
        if (!interrupted && !engineMissing)
            loop.exec();
        resolver.Cancel();
        policy.Cancel();
        if (engineMissing)
            result = cliNoEngine;
        else
            player.Stop();
    } catch (const EProgramError& error) {
        WriteErr(error.Message() + u'\n');
        result = cliFailed;
    } catch (const std::exception& error) {
        WriteErr(QString::fromLocal8Bit(error.what()) + u'\n');
        result = cliFailed;
    }
    return result;
}
