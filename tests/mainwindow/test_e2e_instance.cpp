// The program itself, started three times as a user would: the later starts
// hand their command line to the first and end.

#include "TestFirstInstance.h"
#include "TestHome.h"
#include "TestSupport.h"
#include "libInstance.h"
#include "libRegistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <csignal>

namespace {

QString Program() { return BinaryPath(QStringLiteral("src/mainwindow/kestrel-radio")); }

} // namespace

class TestE2eInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void informationWithoutADisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const TProgramRun version = RunProgram(Program(), {QStringLiteral("--version")}, environment, 20000);
        QCOMPARE(version.Exit, 0);
        QVERIFY2(version.Out.startsWith("Kestrel收音机 2."), version.Out.constData());
        const TProgramRun help = RunProgram(Program(), {QStringLiteral("--help")}, environment, 20000);
        QCOMPARE(help.Exit, 0);
        QVERIFY(QString::fromUtf8(help.Out).startsWith(QStringLiteral("用法: kestrel-radio")));

        // A start that cannot reach its display fails in the program's words, without a core dump.
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":77"));
        const TProgramRun start = RunProgram(Program(), {}, environment, 20000);
        QCOMPARE(start.Exit, 1);
        QVERIFY2(QString::fromUtf8(start.Err).contains(QStringLiteral("无法连接到显示服务器 :77")),
                 start.Err.constData());
    }

    // An empty argument, then a name relative to the folder of the start.
    void firstStartOpensItsFileArgument()
    {
        TTestHome home;
        home.PrivateRuntime();
        QVERIFY(QFile::copy(TestDataPath(QStringLiteral("转交电台.radio")),
                            home.Path() + QStringLiteral("/转交电台.radio")));
        QProcess first;
        first.setWorkingDirectory(home.Path());
        first.start(Program(), {QString(), QStringLiteral("转交电台.radio")});
        TSingleInstance probe;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(probe.ServerName()), 20000);
        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitCode(), 0);
        QSettings settings(home.ConfigFile(), TExeRegistry::Format());
        QCOMPARE(settings.value(QStringLiteral("Radio")).toString(), home.Path() + QStringLiteral("/转交电台.radio"));
    }

    // A first instance that holds the lock but takes nothing.
    void laterStartFailsWhenNobodyTakesIt()
    {
        TTestHome home;
        home.PrivateRuntime();
        TSingleInstance first;
        QVERIFY(first.Acquire());
        QVERIFY(first.Listen());
        first.Close();
        QCOMPARE(RunProgram(Program(), {home.Path() + QStringLiteral("/a.radio")},
                            QProcessEnvironment::systemEnvironment(), 60000)
                     .Exit,
                 1);
    }

    void laterStartsHandOverToTheFirst()
    {
        TTestHome home;
        home.PrivateRuntime();
        const QProcessEnvironment environment = TFirstInstance::Environment();
        const QString program = Program();

        TFirstInstance first;
        QVERIFY(first.Start(program));
        TSingleInstance probe;
        QVERIFY(!probe.Acquire());
        const auto activations = [&] { return first.Activations(); };

        const QString station = home.Path() + QStringLiteral("/转交电台.radio");
        QVERIFY(QFile::copy(TestDataPath(QStringLiteral("转交电台.radio")), station));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(RunProgram(program, {station}, environment, 20000).Exit, 0);
        // A generous bound: a whole start, under the sanitizers too.
        QVERIFY2(clock.elapsed() < 20000, "the second start must end soon after the hand-over");
        QTRY_COMPARE(activations(), 1);

        QCOMPARE(RunProgram(program, {}, environment, 20000).Exit, 0);
        QTRY_COMPARE(activations(), 2);

        QLocalSocket garbage;
        garbage.connectToServer(probe.ServerName());
        QVERIFY(garbage.waitForConnected(2000));
        // The right tag followed by text: its "size" is far beyond any record.
        garbage.write("\x22\xae\x2d\x01garbage that is no record");
        QTRY_COMPARE(garbage.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(activations(), 2);
        QCOMPARE(first.Process.state(), QProcess::Running);

        QVERIFY(first.Stop());
        QSettings settings(home.ConfigFile(), TExeRegistry::Format());
        QCOMPARE(settings.value(QStringLiteral("Radio")).toString(), station);
        // The first instance released its lock and socket.
        QVERIFY(probe.Acquire());
        QVERIFY(!QFileInfo::exists(probe.ServerName()));
    }
};

QTEST_GUILESS_MAIN(TestE2eInstance)
#include "test_e2e_instance.moc"
