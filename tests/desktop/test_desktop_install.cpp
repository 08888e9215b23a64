// The installation into a freedesktop desktop, in a private home, checked by
// the desktop's own tools: desktop-file-validate on every launcher, xdg-mime
// for the station-file type and its default program, gio for how a launcher's
// Exec line is read, and the real program opening a station file that way.

#include "TestFirstInstance.h"
#include "TestHome.h"
#include "TestSupport.h"
#include "libError.h"
#include "libExeInfo.h"
#include "libFreedesktopInstall.h"
#include "libRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A program that writes the arguments it was started with, one a line.
QString RecordingProgram(const QString& folder)
{
    QDir().mkpath(folder);
    const QString program = folder + u"/kestrel-radio"_s;
    QFile file(program);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$HOME/started-with\"\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return program;
}

TProgramRun Tool(const QString& program, const QStringList& args)
{
    return RunProgram(program, args, QProcessEnvironment::systemEnvironment(), 30000);
}

// What desktop-file-validate says; empty when the file is valid.
QByteArray Invalid(const QString& file)
{
    const TProgramRun run = Tool(u"desktop-file-validate"_s, {file});
    return run.Exit == 0 && run.Out.trimmed().isEmpty() ? QByteArray()
                                                        : run.Out + run.Err + " exit " + QByteArray::number(run.Exit);
}

QByteArray XdgMime(const QStringList& args) { return Tool(u"xdg-mime"_s, args).Out.trimmed(); }

void WriteText(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Starts a launcher the way a GLib desktop does a double click on a file,
// reading its Exec line by the desktop-entry rules.
bool GioLaunch(const QString& launcher, const QString& file)
{
    return Tool(u"gio"_s, {u"launch"_s, launcher, file}).Exit == 0;
}

} // namespace

class TestDesktopInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // xdg-mime asks the desktop's own tools when it recognises one; here
        // it must use the freedesktop files themselves.
        for (const char* name : {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "LXQT_SESSION_CONFIG"})
            qunsetenv(name);
        for (const QString& tool :
             {u"desktop-file-validate"_s, u"xdg-mime"_s, u"update-mime-database"_s, u"mimetype"_s, u"gio"_s})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), qPrintable(tool + u" is not installed"_s));
    }
    void init()
    {
        FHome = std::make_unique<TTestHome>();
        FProgram = RecordingProgram(FHome->Path() + u"/opt/kestrel"_s);
        QVERIFY(!FProgram.isEmpty());
    }
    void cleanup() { FHome.reset(); }

    void execLine_data();
    void execLine();
    void execLineStartsTheProgram_data();
    void execLineStartsTheProgram();
    void launchers_data();
    void launchers();
    void launcherScriptPassesItsArguments();
    void iconOnlyWhereNoThemeHasOne();
    void launcherScriptNeverWritesThroughALink();
    void desktopFolderFromUserDirs();
    void folderThatCannotBeMadeIsAnError();
    void fileAssociation();
    void associationKeepsACurrentLauncher();
    void startWithSession();
    void sessionEntryCountsOnlyWhenExact_data();
    void sessionEntryCountsOnlyWhenExact();
    void openingAStationFileReachesTheRunningProgram();

private:
    QString Started() const { return QString::fromUtf8(ReadFileBytes(FHome->Path() + u"/started-with"_s)); }

    std::unique_ptr<TTestHome> FHome;
    QString FProgram;
};

void TestDesktopInstall::execLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec"); // as written in the file, for "%f"
    QTest::newRow("plain") << u"/usr/bin/kestrel-radio"_s << u"/usr/bin/kestrel-radio %f"_s;
    QTest::newRow("Chinese, no reserved character")
        << u"/opt/收音机/kestrel-radio"_s << u"/opt/收音机/kestrel-radio %f"_s;
    QTest::newRow("space") << u"/opt/My Radio/kestrel-radio"_s << u"\"/opt/My Radio/kestrel-radio\" %f"_s;
    QTest::newRow("dollar") << u"/opt/$x/k"_s << u"\"/opt/\\\\$x/k\" %f"_s;
    QTest::newRow("double quote") << u"/opt/a\"b/k"_s << u"\"/opt/a\\\\\"b/k\" %f"_s;
    QTest::newRow("backslash") << u"/opt/a\\b/k"_s << u"\"/opt/a\\\\\\\\b/k\" %f"_s;
    QTest::newRow("single quote") << u"/opt/it's/k"_s << u"\"/opt/it's/k\" %f"_s;
    QTest::newRow("percent, not reserved") << u"/opt/100%/k"_s << u"/opt/100%%/k %f"_s;
    QTest::newRow("percent inside quotes") << u"/opt/a b%/k"_s << u"\"/opt/a b%%/k\" %f"_s;
}

void TestDesktopInstall::execLine()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QCOMPARE(DesktopExec(program, u"%f"_s), exec);
    QCOMPARE(DesktopExec(program), exec.chopped(3));
}

void TestDesktopInstall::execLineStartsTheProgram_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("space") << u"My Radio"_s;
    QTest::newRow("dollar, quotes, backslash") << u"a $HOME \"b\" \\c"_s;
    QTest::newRow("single quote, brackets, backtick") << u"it's (x) `y`"_s;
}

// The quoting as a GLib desktop reads it: the launcher starts the program at
// its odd path with the station file as its one argument.
void TestDesktopInstall::execLineStartsTheProgram()
{
    QFETCH(QString, folder);
    const QString program = RecordingProgram(FHome->Path() + u'/' + folder);
    TFreedesktopInstall install(program);
    install.InstallShortcut(0);
    const QString launcher = TFreedesktopInstall::LauncherPath(0);
    QCOMPARE(Invalid(launcher), QByteArray());
    const QString station = FHome->Path() + u"/我的 电台.radio"_s;
    QVERIFY(GioLaunch(launcher, station));
    QTRY_COMPARE(Started(), station + u'\n');
}

void TestDesktopInstall::launchers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("relative"); // to the home
    QTest::addColumn<bool>("executable");
    QTest::newRow("applications menu") << 0 << u".local/share/applications/io.github.kestrelradio.Kestrel.desktop"_s
                                       << false;
    QTest::newRow("script on the PATH") << 1 << u".local/bin/Kestrel收音机"_s << true;
    QTest::newRow("desktop folder") << 2 << u"Desktop/Kestrel收音机.desktop"_s << true;
}

// Installing twice leaves one launcher, rewritten over what was there.
void TestDesktopInstall::launchers()
{
    QFETCH(int, kind);
    QFETCH(QString, relative);
    QFETCH(bool, executable);
    const QString path = FHome->Path() + u'/' + relative;
    QCOMPARE(TFreedesktopInstall::LauncherPath(kind), path);
    WriteText(path, "stale\n");
    // Never touched: the package's own name for the program.
    const QString packaged = FHome->Path() + u"/.local/bin/kestrel-radio"_s;
    WriteText(packaged, "packaged\n");

    TFreedesktopInstall install(FProgram);
    install.InstallShortcut(kind);
    const QByteArray first = ReadFileBytes(path);
    install.InstallShortcut(kind);
    QCOMPARE(ReadFileBytes(path), first);
    QVERIFY(!first.contains("stale"));
    QCOMPARE(ReadFileBytes(packaged), "packaged\n"_ba);
    QCOMPARE(QFileInfo(path).isExecutable(), executable);
    // Nothing else is left beside it (the menu's own cache aside).
    QStringList beside = QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden);
    beside.removeAll(u"mimeinfo.cache"_s);
    beside.removeAll(u"kestrel-radio"_s);
    QCOMPARE(beside, QStringList{QFileInfo(path).fileName()});

    if (kind != 1) {
        QCOMPARE(Invalid(path), QByteArray());
        const QMap<QString, QString> entry = ReadDesktopEntry(path);
        const TExeInfo info = OwnExeInfo();
        QCOMPARE(entry.value(u"Name"_s), u"Kestrel收音机"_s);
        QCOMPARE(entry.value(u"Comment"_s), info.Comments);
        QCOMPARE(entry.value(u"Exec"_s), FProgram + u" %f"_s);
        QCOMPARE(entry.value(u"Icon"_s), u"io.github.kestrelradio.Kestrel"_s);
        QCOMPARE(entry.value(u"MimeType"_s), u"application/x-kestrel-radio;"_s);
    }
    // The icon the launchers name exists, drawn for the program.
    const QString icon =
        FHome->Path() + u"/.local/share/icons/hicolor/scalable/apps/io.github.kestrelradio.Kestrel.svg"_s;
    QVERIFY(ReadFileBytes(icon).contains("<svg"));
}

void TestDesktopInstall::launcherScriptPassesItsArguments()
{
    TFreedesktopInstall(FProgram).InstallShortcut(1);
    const QStringList args = {u"a b.radio"_s, u"$HOME"_s, u"it's"_s, QString()};
    QCOMPARE(Tool(TFreedesktopInstall::LauncherPath(1), args).Exit, 0);
    QCOMPARE(Started(), args.join(u'\n') + u'\n');
}

// The package's own icon, in any size, wins over the one drawn here.
void TestDesktopInstall::iconOnlyWhereNoThemeHasOne()
{
    const QString icons = FHome->Path() + u"/.local/share/icons/hicolor"_s;
    WriteText(icons + u"/48x48/apps/io.github.kestrelradio.Kestrel.png"_s, "png");
    TFreedesktopInstall(FProgram).InstallShortcut(0);
    QVERIFY(!QFileInfo::exists(icons + u"/scalable/apps/io.github.kestrelradio.Kestrel.svg"_s));
}

// A link where the script goes is replaced by the script, never written
// through; one that leads to the program, or the program itself there, is a
// launcher already and stays.
void TestDesktopInstall::launcherScriptNeverWritesThroughALink()
{
    const QString script = TFreedesktopInstall::LauncherPath(1);
    const QString notes = FHome->Path() + u"/notes.txt"_s;
    WriteText(notes, "mine\n");
    QDir().mkpath(QFileInfo(script).absolutePath());
    QVERIFY(QFile::link(notes, script));
    TFreedesktopInstall(FProgram).InstallShortcut(1);
    QVERIFY(!QFileInfo(script).isSymLink());
    QVERIFY(ReadFileBytes(script).startsWith("#!/bin/sh\nexec '"));
    QCOMPARE(ReadFileBytes(notes), "mine\n"_ba);

    const QByteArray program = ReadFileBytes(FProgram);
    QVERIFY(QFile::remove(script));
    QVERIFY(QFile::link(FProgram, script));
    TFreedesktopInstall(FProgram).InstallShortcut(1);
    QVERIFY(QFileInfo(script).isSymLink());
    QCOMPARE(ReadFileBytes(FProgram), program);

    QVERIFY(QFile::remove(script));
    QVERIFY(QFile::copy(FProgram, script));
    TFreedesktopInstall(script).InstallShortcut(1);
    QCOMPARE(ReadFileBytes(script), program);
}

void TestDesktopInstall::desktopFolderFromUserDirs()
{
    WriteText(FHome->Path() + u"/.config/user-dirs.dirs"_s, "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
    QCOMPARE(TFreedesktopInstall::DesktopFolder(), FHome->Path() + u"/桌面"_s);
    TFreedesktopInstall(FProgram).InstallShortcut(2);
    QVERIFY(QFileInfo(FHome->Path() + u"/桌面/Kestrel收音机.desktop"_s).isExecutable());
}

void TestDesktopInstall::folderThatCannotBeMadeIsAnError()
{
    // A file where the applications folder belongs.
    WriteText(FHome->Path() + u"/.local/share/applications"_s, "");
    TFreedesktopInstall install(FProgram);
    try {
        install.InstallShortcut(0);
        QFAIL("no error");
    } catch (const EProgramError& error) {
        QVERIFY2(error.Message().contains(u"applications"), qPrintable(error.Message()));
    }
    QVERIFY_THROWS_EXCEPTION(EProgramError, install.RegisterFileType());
}

// The type, its default program replacing another program's, and the type's
// icon, as the desktop's tools see them.
void TestDesktopInstall::fileAssociation()
{
    const QString other = FHome->Path() + u"/.local/share/applications/other-player.desktop"_s;
    WriteText(other, "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %f\n"
                     "MimeType=application/x-kestrel-radio;\n");
    WriteText(FHome->Path() + u"/.config/mimeapps.list"_s,
              "[Default Applications]\napplication/x-kestrel-radio=other-player.desktop\n");
    const QString station = FHome->Path() + u"/收藏/中国之声.radio"_s;
    WriteText(station, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<radio/>\n");
    const QString shouted = FHome->Path() + u"/STATION.RADIO"_s;
    WriteText(shouted, "<?xml version=\"1.0\"?>\n<radio/>\n");

    TFreedesktopInstall(FProgram).RegisterFileType();
    QCOMPARE(XdgMime({u"query"_s, u"filetype"_s, station}), "application/x-kestrel-radio"_ba);
    QCOMPARE(XdgMime({u"query"_s, u"filetype"_s, shouted}), "application/x-kestrel-radio"_ba);
    QCOMPARE(XdgMime({u"query"_s, u"default"_s, u"application/x-kestrel-radio"_s}),
             "io.github.kestrelradio.Kestrel.desktop"_ba);

    const QString launcher = TFreedesktopInstall::LauncherPath(0);
    QCOMPARE(Invalid(launcher), QByteArray());
    QCOMPARE(ReadDesktopEntry(launcher).value(u"MimeType"_s), u"application/x-kestrel-radio;"_s);
    QVERIFY(ReadFileBytes(FHome->Path()
                          + u"/.local/share/icons/hicolor/scalable/mimetypes/"
                            u"application-x-kestrel-radio.svg"_s)
                .contains("<svg"));
    QVERIFY(ReadFileBytes(FHome->Path() + u"/.local/share/mime/application/x-kestrel-radio.xml"_s)
                .contains("Kestrel收音机电台文件"));

    // Repairing again changes nothing the tools see.
    TFreedesktopInstall(FProgram).RegisterFileType();
    QCOMPARE(XdgMime({u"query"_s, u"default"_s, u"application/x-kestrel-radio"_s}),
             "io.github.kestrelradio.Kestrel.desktop"_ba);
}

// The association writes the menu launcher only when it is missing or would
// not open station files with this program.
void TestDesktopInstall::associationKeepsACurrentLauncher()
{
    TFreedesktopInstall install(FProgram);
    install.InstallShortcut(0);
    const QString launcher = TFreedesktopInstall::LauncherPath(0);
    const QByteArray own = ReadFileBytes(launcher) + "X-User-Note=mine\n";
    WriteText(launcher, own);
    install.RegisterFileType();
    QCOMPARE(ReadFileBytes(launcher), own);

    // One left by the program at another path is stale.
    const QString moved = RecordingProgram(FHome->Path() + u"/moved"_s);
    TFreedesktopInstall(moved).RegisterFileType();
    QCOMPARE(ReadDesktopEntry(launcher).value(u"Exec"_s), moved + u" %f"_s);
    QVERIFY(!ReadFileBytes(launcher).contains("X-User-Note"));
}

void TestDesktopInstall::startWithSession()
{
    const QString entry = FHome->Path() + u"/.config/autostart/io.github.kestrelradio.Kestrel.desktop"_s;
    QCOMPARE(TFreedesktopInstall::AutostartPath(), entry);
    TFreedesktopInstall install(FProgram);
    QVERIFY(!install.StartsWithSession());
    install.SetStartsWithSession(false); // nothing to remove: no error
    install.SetStartsWithSession(true);
    QVERIFY(install.StartsWithSession());
    QCOMPARE(Invalid(entry), QByteArray());
    QCOMPARE(ReadDesktopEntry(entry).value(u"Exec"_s), FProgram);
    install.SetStartsWithSession(false);
    QVERIFY(!QFileInfo::exists(entry));
    QVERIFY(!install.StartsWithSession());

    // A path that needs quoting is quoted, and still counts as on.
    TFreedesktopInstall spaced(RecordingProgram(FHome->Path() + u"/My Radio"_s));
    spaced.SetStartsWithSession(true);
    QVERIFY(spaced.StartsWithSession());
    QCOMPARE(Invalid(entry), QByteArray());
    QVERIFY(ReadDesktopEntry(entry).value(u"Exec"_s).startsWith(u'"'));
}

void TestDesktopInstall::sessionEntryCountsOnlyWhenExact_data()
{
    QTest::addColumn<QByteArray>("exec"); // "PROGRAM" stands for the program's path
    QTest::addColumn<bool>("on");
    QTest::newRow("as written") << "Exec=PROGRAM"_ba << true;
    QTest::newRow("blanks around the sign") << "Exec = PROGRAM"_ba << true;
    QTest::newRow("a plain path quoted") << "Exec=\"PROGRAM\""_ba << false;
    QTest::newRow("another letter case") << "Exec=PROGRAM-X"_ba << false;
    QTest::newRow("with an argument") << "Exec=PROGRAM %f"_ba << false;
    QTest::newRow("no Exec") << "TryExec=PROGRAM"_ba << false;
}

void TestDesktopInstall::sessionEntryCountsOnlyWhenExact()
{
    QFETCH(QByteArray, exec);
    QFETCH(bool, on);
    QByteArray program = QFile::encodeName(FProgram);
    if (exec.contains("PROGRAM-X")) {
        program = program.toUpper();
        exec.replace("PROGRAM-X", "PROGRAM");
    }
    exec.replace("PROGRAM", program);
    WriteText(TFreedesktopInstall::AutostartPath(), "[Desktop Entry]\nType=Application\nName=K\n" + exec + '\n');
    QCOMPARE(TFreedesktopInstall(FProgram).StartsWithSession(), on);
}

// A double click on a station file in a GLib desktop runs the default
// launcher's Exec with the file's path; a later start hands it to the
// running program, which opens it.
void TestDesktopInstall::openingAStationFileReachesTheRunningProgram()
{
    FHome->PrivateRuntime();
    const QString program = BinaryPath(u"src/mainwindow/kestrel-radio"_s);
    TFreedesktopInstall(program).RegisterFileType();
    const QByteArray id = XdgMime({u"query"_s, u"default"_s, u"application/x-kestrel-radio"_s});
    QCOMPARE(id, "io.github.kestrelradio.Kestrel.desktop"_ba);
    const QString launcher = FHome->Path() + u"/.local/share/applications/"_s + QString::fromUtf8(id);

    TFirstInstance first;
    QVERIFY(first.Start(program));

    const QString station = FHome->Path() + u"/双击 打开.radio"_s;
    QVERIFY(QFile::copy(SourcePath(u"data/默认电台.radio"_s), station));
    QVERIFY(GioLaunch(launcher, station));
    QTRY_COMPARE_WITH_TIMEOUT(first.Activations(), 1, 20000);
    QVERIFY(first.Stop());
    QSettings settings(FHome->ConfigFile(), TExeRegistry::Format());
    QCOMPARE(settings.value(u"Radio"_s).toString(), station);
}

QTEST_GUILESS_MAIN(TestDesktopInstall)
#include "test_desktop_install.moc"
