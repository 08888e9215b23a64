#include "cliCommands.h"

#include "libEngines.h"
#include "libExeInfo.h"

#include <QCoreApplication>
#include <cstdio>

namespace {
struct TCommand
{
    const char16_t* Name;
    int (*Run)(const QStringList&);
    const char16_t* Usage;
};

const TCommand Commands[] = {
    {u"info", CmdInfo, u"info FILE                      print the station as JSON"},
    {u"save", CmdSave, u"save FILE OUT                  write the station to OUT as a station file"},
    {u"export", CmdExport, u"export wax|ram|m3u|pls FILE OUT  write the station as a playlist"},
    {u"import", CmdImport,
     u"import FILE OUT                make a station file OUT from a playlist (pls, m3u, asx, ram, xspf)"},
    {u"kind", CmdKind, u"kind URL                       print the stream kind of an address (0, 1, -1, -2)"},
    {u"play", CmdPlay,
     u"play FILE|URL [--link N] [--kind wm|rm] [--seconds S] [--no-reconnect]\n"
     u"                                 play and print each change; a dropped stream is played again"},
    {u"search", CmdSearch,
     u"search TEXT [--country CC] [--limit N] [--save DIR]  search the online station directory, one JSON line a "
     u"result"},
};

QString HelpText()
{
    QString text = QStringLiteral("用法: kestrel-radio-cli COMMAND ...\n\n");
    for (const TCommand& command : Commands)
        text += QStringLiteral("  ") + QString::fromUtf16(command.Usage) + u'\n';
    text += QStringLiteral("  --version                      print the product name and version\n"
                           "  --help                         print this text\n");
    return text;
}
} // namespace

void WriteOut(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void WriteErr(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

int UsageError(const QString& message)
{
    WriteErr(message + QStringLiteral(" (kestrel-radio-cli --help)\n"));
    return cliUsage;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Before any engine thread: the application object has set the locale.
    PrepareEngineLocale();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return UsageError(QStringLiteral("缺少命令"));

    const QString name = args.takeFirst();
    if (name == u"--help" || name == u"-h") {
        WriteOut(HelpText());
        return cliOk;
    }
    if (name == u"--version") {
        // Read back from this executable's own version record, so what it
        // prints is what the file carries.
        TExeInfo info;
        ReadExeInfo(GetExePath(), info);
        QString version = info.VersionText;
        if (version.endsWith(u'.'))
            version.chop(1);
        WriteOut(info.ProductName + u' ' + version + u'\n');
        return cliOk;
    }
    for (const TCommand& command : Commands)
        if (name == QStringView(command.Name))
            return command.Run(args);
    return UsageError(QStringLiteral("未知的命令: ") + name);
}
