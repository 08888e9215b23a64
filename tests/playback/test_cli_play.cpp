// kestrel-radio-cli play, run as a user runs it: which link and engine it
// picks, what it prints for each change, the missing-engine exit, usage
// errors, and a clean stop after --seconds or a signal.

#include "TestSupport.h"
#include "libConst.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

QString CliPath() { return BinaryPath(u"src/cli/kestrel-radio-cli"_s); }

TProgramRun Run(const QStringList& args,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    return RunProgram(CliPath(), QStringList{u"play"_s} + args, environment);
}

// Neither engine can be found: libmpv under a name that does not exist, and a
// GStreamer without plug-ins.
QProcessEnvironment WithoutEngines(const QTemporaryDir& empty)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"KESTREL_LIBMPV"_s, empty.filePath(u"libmpv-absent.so"_s));
    environment.insert(u"GST_PLUGIN_SYSTEM_PATH_1_0"_s, empty.path());
    environment.insert(u"GST_PLUGIN_PATH_1_0"_s, empty.path());
    environment.insert(u"GST_REGISTRY_1_0"_s, empty.filePath(u"registry.bin"_s));
    return environment;
}

// An address on 127.0.0.1 where nothing listens.
QString RefusedAddress()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return QString();
    const quint16 port = server.serverPort();
    server.close();
    return u"http://127.0.0.1:%1/stream"_s.arg(port);
}

// Every change line: state number, state text, progress, bit rate, info text.
void CheckLines(const QList<QByteArray>& lines)
{
    for (const QByteArray& line : lines) {
        QCOMPARE(line.count('\t'), 4);
        QVERIFY(!line.contains('\r'));
    }
}

const QByteArray ConnectingLine = "1\t正在连接\t100\t0\t";
const QByteArray StoppedLine = "0\t已经停止\t100\t0\t";

} // namespace

class TestCliPlay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingEngine_data();
    void missingEngine();
    void usageErrors_data();
    void usageErrors();
    void unreadableStation();
    void stopsAfterSeconds();
    void playsUnderChineseLocale();
    void stopsOnSignal_data();
    void stopsOnSignal();
    void reconnects_data();
    void reconnects();
};

void TestCliPlay::missingEngine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("engine");
    const QString station = TestDataPath(u"station.radio"_s);
    QTest::newRow("mms address") << QStringList{u"mms://127.0.0.1:9/a"_s} << u"Windows Media"_s;
    QTest::newRow("web address takes wm") << QStringList{u"http://127.0.0.1:9/c"_s} << u"Windows Media"_s;
    QTest::newRow("rtsp address") << QStringList{u"  RTSP://127.0.0.1:9/b"_s} << u"Real Media"_s;
    QTest::newRow("--kind rm for a web address")
        << QStringList{u"http://127.0.0.1:9/c"_s, u"--kind"_s, u"rm"_s} << u"Real Media"_s;
    QTest::newRow("--kind wm for an rtsp address")
        << QStringList{u"--kind"_s, u"wm"_s, u"rtsp://127.0.0.1:9/b"_s} << u"Windows Media"_s;
    QTest::newRow("station's current link (rm)") << QStringList{station} << u"Real Media"_s;
    QTest::newRow("station --link 0 (wm)") << QStringList{station, u"--link"_s, u"0"_s} << u"Windows Media"_s;
    QTest::newRow("station --link 2 (wm)") << QStringList{u"--link"_s, u"2"_s, station} << u"Windows Media"_s;
}

void TestCliPlay::missingEngine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, engine);
    QTemporaryDir empty;
    QVERIFY(empty.isValid());

    const TProgramRun run = Run(args + QStringList{u"--seconds"_s, u"30"_s}, WithoutEngines(empty));

    QCOMPARE(run.Exit, 3);
    QCOMPARE(run.Out, ConnectingLine + '\n' + StoppedLine + '\n');
    QCOMPARE(QString::fromUtf8(run.Err), Const::SEngineMissing.arg(engine) + u'\n');
}

void TestCliPlay::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    const QString station = TestDataPath(u"station.radio"_s);
    QTest::newRow("nothing to play") << QStringList();
    QTest::newRow("two targets") << QStringList{u"mms://127.0.0.1/a"_s, u"mms://127.0.0.1/b"_s};
    QTest::newRow("unknown option") << QStringList{u"mms://127.0.0.1/a"_s, u"--loud"_s};
    QTest::newRow("not a stream address") << QStringList{u"ftp://127.0.0.1/a"_s};
    QTest::newRow("missing file") << QStringList{TestDataPath(u"absent.radio"_s)};
    QTest::newRow("folder") << QStringList{TestDataPath(QString())};
    QTest::newRow("unknown kind") << QStringList{u"http://127.0.0.1/a"_s, u"--kind"_s, u"asf"_s};
    QTest::newRow("kind without value") << QStringList{u"http://127.0.0.1/a"_s, u"--kind"_s};
    QTest::newRow("--link for an address") << QStringList{u"http://127.0.0.1/a"_s, u"--link"_s, u"0"_s};
    QTest::newRow("--kind for a station") << QStringList{station, u"--kind"_s, u"wm"_s};
    QTest::newRow("link out of range") << QStringList{station, u"--link"_s, u"3"_s};
    QTest::newRow("negative link") << QStringList{station, u"--link"_s, u"-1"_s};
    QTest::newRow("link not a number") << QStringList{station, u"--link"_s, u"一"_s};
    QTest::newRow("negative seconds") << QStringList{u"mms://127.0.0.1/a"_s, u"--seconds"_s, u"-1"_s};
    QTest::newRow("seconds not a number") << QStringList{u"mms://127.0.0.1/a"_s, u"--seconds"_s, u"nan"_s};
}

void TestCliPlay::usageErrors()
{
    QFETCH(QStringList, args);
    const TProgramRun run = Run(args);
    QCOMPARE(run.Exit, 2);
    QVERIFY(run.Out.isEmpty());
    QVERIFY(run.Err.endsWith("(kestrel-radio-cli --help)\n"));
}

void TestCliPlay::unreadableStation()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(u"broken.radio"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<Radio");
    file.close();
    QFile empty(dir.filePath(u"empty.radio"_s));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Radio Text=\"空\"/>");
    empty.close();

    TProgramRun run = Run({file.fileName()});
    QCOMPARE(run.Exit, 1);
    QVERIFY(run.Out.isEmpty());
    QVERIFY(!run.Err.isEmpty());
    run = Run({empty.fileName()});
    QCOMPARE(run.Exit, 1);
    QVERIFY(run.Out.isEmpty());
    QCOMPARE(QString::fromUtf8(run.Err), u"电台没有收听连接\n"_s);
}

// With the real libmpv engine and a refused connection: the tool plays for the
// given time, then the player is stopped and the tool ends with 0. (What the
// engine reports meanwhile is checked by stopsOnSignal, which waits for it.)
void TestCliPlay::stopsAfterSeconds()
{
    const QString address = RefusedAddress();
    QVERIFY(!address.isEmpty());
    QElapsedTimer clock;
    clock.start();
    const TProgramRun run = Run({address, u"--seconds"_s, u"1"_s});

    QVERIFY(clock.elapsed() >= 1000);
    QCOMPARE(run.Exit, 0);
    QVERIFY2(run.Err.isEmpty(), run.Err.constData());
    const QList<QByteArray> lines = run.Out.chopped(1).split('\n');
    QVERIFY(run.Out.endsWith('\n'));
    CheckLines(lines);
    QCOMPARE(lines.first(), ConnectingLine);
    QCOMPARE(lines.last(), StoppedLine);
}

// Listeners run a zh_CN.UTF-8 desktop, whose number format libmpv refuses:
// the tool sets what the engines need before it plays.
void TestCliPlay::playsUnderChineseLocale()
{
    QTemporaryDir locales;
    QVERIFY(locales.isValid());
    QProcess localedef;
    localedef.start(u"localedef"_s, {u"-i"_s, u"zh_CN"_s, u"-f"_s, u"UTF-8"_s, locales.filePath(u"zh_CN.UTF-8"_s)});
    QVERIFY(localedef.waitForFinished(60000));
    QVERIFY2(QFile::exists(locales.filePath(u"zh_CN.UTF-8/LC_NUMERIC"_s)),
             localedef.readAllStandardError().constData());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LOCPATH"_s, locales.path());
    environment.insert(u"LC_ALL"_s, u"zh_CN.UTF-8"_s);
    const QString address = RefusedAddress();
    QVERIFY(!address.isEmpty());

    const TProgramRun run = Run({address, u"--seconds"_s, u"0.5"_s}, environment);

    QVERIFY2(run.Err.isEmpty(), run.Err.constData());
    QCOMPARE(run.Exit, 0);
}

void TestCliPlay::stopsOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void TestCliPlay::stopsOnSignal()
{
    QFETCH(int, signal);
    const QString address = RefusedAddress();
    QVERIFY(!address.isEmpty());
    QProcess process;
    process.setProcessEnvironment(ProgramEnvironment());
    process.start(CliPath(), {u"play"_s, address});
    QVERIFY(process.waitForStarted());
    // The signal comes once the engine has answered: its error arrives as
    // psError with its CR LF written as \r\n.
    QByteArray out;
    const QDeadlineTimer deadline(30000);
    while (!out.contains("\n4\t发生错误\t") || !out.endsWith('\n')) {
        QVERIFY2(process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))), out.constData());
        out += process.readAllStandardOutput();
    }

    QCOMPARE(::kill(pid_t(process.processId()), signal), 0);

    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    out += process.readAllStandardOutput();
    const QList<QByteArray> lines = out.chopped(1).split('\n');
    CheckLines(lines);
    QCOMPARE(lines.first(), ConnectingLine);
    bool sawError = false;
    for (const QByteArray& line : lines)
        sawError = sawError || (line.startsWith("4\t发生错误\t") && line.endsWith("\\r\\n"));
    QVERIFY2(sawError, out.constData());
    QCOMPARE(lines.last(), StoppedLine);
    QVERIFY(process.readAllStandardError().isEmpty());
}

void TestCliPlay::reconnects_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("again");
    QTest::newRow("by default") << QStringList() << true;
    QTest::newRow("--no-reconnect") << QStringList{u"--no-reconnect"_s} << false;
}

// A refused connection is tried again a second later, unless told not to;
// either way the tool plays on until its time is up and stops cleanly.
void TestCliPlay::reconnects()
{
    QFETCH(QStringList, options);
    QFETCH(bool, again);
    const QString address = RefusedAddress();
    QVERIFY(!address.isEmpty());
    const TProgramRun run = Run(QStringList{address, u"--seconds"_s, u"2.5"_s} + options);
    QCOMPARE(run.Exit, 0);
    QVERIFY2(run.Err.isEmpty(), run.Err.constData());
    const QList<QByteArray> lines = run.Out.chopped(1).split('\n');
    CheckLines(lines);
    const qsizetype starts = lines.count(ConnectingLine);
    QVERIFY2(again ? starts >= 2 : starts == 1, run.Out.constData());
    QCOMPARE(lines.last(), StoppedLine);
}

QTEST_GUILESS_MAIN(TestCliPlay)
#include "test_cli_play.moc"
