// A later start of the real program while the window has a dialog or a
// question open: its hand-over waits until the dialog has closed, and every
// handler finishes on the station it started on.

#include "MainWindowFixture.h"
#include "TestSupport.h"
#include "ctlRadioPlayer.h"
#include "libInstance.h"
#include "vclInstance.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString HrefA = u"mms://127.0.0.1/a"_s;

// The window of the fixture as the first instance, wired as the program does.
struct TFirstInstance : TMainWindowFixture
{
    TSingleInstance Instance;

    TwinMain* Start(const QStringList& arguments)
    {
        TwinMain* w = Create(arguments);
        ConnectInstance(Instance, *w);
        if (!Instance.Acquire() || !Instance.Listen())
            qFatal("the test cannot be the first instance");
        return w;
    }

    // Starts the program with file, as the shell would, and waits until its
    // hand-over has arrived and is held.
    std::unique_ptr<QProcess> LaterStart(const QString& file, int held = 1)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(BinaryPath(u"src/mainwindow/kestrel-radio"_s), {file});
        if (!QTest::qWaitFor([&] { return Instance.HeldCount() >= held; }, 60000))
            QTest::qFail("the later start's hand-over was not held", __FILE__, __LINE__);
        return process;
    }
};

// The exit code of a later start once it has ended; -1 when it does not end.
int ExitOf(QProcess& process)
{
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

class TestMainReentry : public QObject
{
    Q_OBJECT
    QTemporaryDir FRuntime;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(FRuntime.isValid());
        QFile::setPermissions(FRuntime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(FRuntime.path()));
    }

    void linkEditorKeepsItsLink();
    void stationEditorKeepsItsStation();
    void deleteQuestionKeepsItsLink();
    void unsavedQuestionIsAskedOnce();
    void heldHandOverAtExitIsNotTaken();
    void bitRateWaitsForTheNewLink();
};

void TestMainReentry::linkEditorKeepsItsLink()
{
    TFirstInstance f;
    const QString a = f.WriteStation(u"a.radio"_s, u"甲台"_s, {{u"一"_s, HrefA}});
    const QString b = f.WriteStation(u"b.radio"_s, u"乙台"_s, {{u"乙一"_s, u"mms://127.0.0.1/b"_s}});
    const QByteArray bBytes = ReadFileBytes(b);
    TwinMain* w = f.Start({a});

    std::unique_ptr<QProcess> later;
    f.Editors.AnswerLink([&](TRadioLink* link) {
        later = f.LaterStart(b);
        link->SetText(u"改名"_s);
        return int(mrOk);
    });
    w->actEditLink->trigger();
    QVERIFY(later);
    // The edit belongs to 甲台: saved there when the hand-over asks.
    f.Boxes.Answer(mrYes);
    QCOMPARE(ExitOf(*later), 0);
    QCOMPARE(w->FileName(), b);
    QVERIFY(!w->Modified());
    TRadio saved;
    saved.LoadFromFile(a);
    QCOMPARE(saved.Links()[0]->Text(), u"改名"_s);
    QCOMPARE(ReadFileBytes(b), bBytes);
    QCOMPARE(w->Radio()->Links()[0]->Text(), u"乙一"_s);
}

void TestMainReentry::stationEditorKeepsItsStation()
{
    TFirstInstance f;
    const QString a = f.WriteStation(u"a.radio"_s, u"甲台"_s, {});
    const QString b = f.WriteStation(u"b.radio"_s, u"乙台"_s, {});
    const QByteArray bBytes = ReadFileBytes(b);
    TwinMain* w = f.Start({a});

    std::unique_ptr<QProcess> later;
    f.Editors.AnswerRadio([&](TRadio* radio) {
        later = f.LaterStart(b);
        radio->SetText(u"新名"_s);
        return int(mrOk);
    });
    w->actEdit->trigger();
    QVERIFY(later);
    f.Boxes.Answer(mrYes);
    QCOMPARE(ExitOf(*later), 0);
    QCOMPARE(w->Radio()->Text(), u"乙台"_s);
    QVERIFY(!w->Modified());
    TRadio saved;
    saved.LoadFromFile(a);
    QCOMPARE(saved.Text(), u"新名"_s);
    QCOMPARE(ReadFileBytes(b), bBytes);
}

void TestMainReentry::deleteQuestionKeepsItsLink()
{
    TFirstInstance f;
    const QString a = f.WriteStation(u"a.radio"_s, u"甲台"_s, {{u"一"_s, HrefA}, {u"二"_s, u"mms://127.0.0.1/2"_s}});
    const QString b = f.WriteStation(u"b.radio"_s, u"乙台"_s,
                                     {{u"乙一"_s, u"mms://127.0.0.1/b1"_s}, {u"乙二"_s, u"mms://127.0.0.1/b2"_s}});
    TwinMain* w = f.Start({a});
    w->boxLinks->setCurrentItem(w->boxLinks->topLevelItem(0));

    std::unique_ptr<QProcess> later;
    f.Boxes.Answer(mrYes, [&] { later = f.LaterStart(b); });
    w->actDelLink->trigger();
    QVERIFY(later);
    // 甲台 lost its first link; its changes are dropped for the hand-over.
    QCOMPARE(w->Radio()->Links().Count(), 1);
    QCOMPARE(w->Radio()->Links()[0]->Text(), u"二"_s);
    f.Boxes.Answer(mrNo);
    QCOMPARE(ExitOf(*later), 0);
    QCOMPARE(w->FileName(), b);
    QCOMPARE(w->Radio()->Links().Count(), 2);
    QCOMPARE(w->boxLinks->topLevelItemCount(), 2);
}

void TestMainReentry::unsavedQuestionIsAskedOnce()
{
    TFirstInstance f;
    const QString a = f.WriteStation(u"a.radio"_s, u"甲台"_s, {});
    const QString b = f.WriteStation(u"b.radio"_s, u"乙台"_s, {});
    const QString c = f.WriteStation(u"c.radio"_s, u"丙台"_s, {});
    TwinMain* w = f.Start({a});
    f.Editors.AnswerRadio([](TRadio*) { return int(mrOk); });
    w->actEdit->trigger();
    QVERIFY(w->Modified());

    // B's hand-over asks about 甲台's changes; C arrives during the question.
    std::unique_ptr<QProcess> third;
    f.Boxes.Answer(mrNo, [&] { third = f.LaterStart(c); });
    QProcess second;
    second.start(BinaryPath(u"src/mainwindow/kestrel-radio"_s), {b});
    QCOMPARE(ExitOf(second), 0);
    QVERIFY(third);
    QCOMPARE(ExitOf(*third), 0);
    QTRY_COMPARE(w->FileName(), c);
    QCOMPARE(f.Boxes.Questions().size(), 1);
    QVERIFY(!w->Modified());
}

void TestMainReentry::heldHandOverAtExitIsNotTaken()
{
    TFirstInstance f;
    const QString a = f.WriteStation(u"a.radio"_s, u"甲台"_s, {});
    const QString b = f.WriteStation(u"b.radio"_s, u"乙台"_s, {});
    TwinMain* w = f.Start({a});

    std::unique_ptr<QProcess> later;
    f.Editors.AnswerRadio([&](TRadio*) {
        later = f.LaterStart(b);
        // The program begins to close while the dialog is still open.
        f.Instance.Close();
        return int(mrCancel);
    });
    w->actEdit->trigger();
    QVERIFY(later);
    QCOMPARE(ExitOf(*later), 1);
    QCOMPARE(w->FileName(), a);
}

void TestMainReentry::bitRateWaitsForTheNewLink()
{
    TFirstInstance f;
    const QString a = f.WriteStation(u"a.radio"_s, u"甲台"_s, {{u"一"_s, HrefA}});
    TwinMain* w = f.Start({a});
    w->actPlay->trigger();

    f.Editors.AnswerLink([&](TRadioLink*) {
        // The player learns a rate while the new link has no address yet.
        TFakeWindowsMedia* engine = f.Engines.WindowsMedia;
        engine->State = IWindowsMediaEngine::wmppsPlaying;
        engine->BitRate = 128000;
        w->ctlPlayer->Poll();
        return int(mrCancel);
    });
    w->actAddLink->trigger();
    QCOMPARE(w->Radio()->Links().Count(), 1);
    // Written once the editor has gone, without the cancelled link.
    QVERIFY(QTest::qWaitFor(
        [&] {
            TRadio saved;
            saved.LoadFromFile(a);
            return saved.Links()[0]->BestKbps() == 128;
        },
        10000));
    TRadio saved;
    saved.LoadFromFile(a);
    QCOMPARE(saved.Links().Count(), 1);
    QVERIFY(!w->Modified());
}

QTEST_MAIN(TestMainReentry)
#include "test_main_reentry.moc"
