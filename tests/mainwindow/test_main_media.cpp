// The window's side of the media-player integration over fake engines: the
// state it reads from the window, the commands it carries out, and when it
// lets a new programme title be shown. No bus is needed.

#include "MainWindowFixture.h"

#include "ctlRadioPlayer.h"
#include "vclMainMedia.h"

#include <QAction>
#include <QSlider>

using namespace Qt::StringLiterals;

namespace {

const QString SStation = u"甲台"_s;

TwinMain* OpenStation(TMainWindowFixture& f, int links)
{
    const QList<QPair<QString, QString>> all{
        {u"一"_s, u"mms://127.0.0.1/a"_s}, {u"二"_s, u"mms://127.0.0.1/b"_s}, {u"三"_s, u"mms://127.0.0.1/c"_s}};
    return f.Create({f.WriteStation(u"s.radio"_s, SStation, all.mid(0, links))});
}

// The Windows Media engine reports a poll.
void Poll(TMainWindowFixture& f, int engineState, const QString& title = {}, int bitsPerSecond = 128000)
{
    TFakeWindowsMedia* engine = f.Engines.WindowsMedia;
    QVERIFY(engine);
    engine->State = engineState;
    engine->Title = title;
    engine->BitRate = bitsPerSecond;
    f.Window->ctlPlayer->Poll();
}

// Counts the adapter's reports once the window's handler has finished.
struct TReports
{
    QList<TMediaState> States;
    struct TProgramme
    {
        QString Title;
        QString Station;
        bool Show;
    };
    QList<TProgramme> Programmes;

    explicit TReports(TMainMedia& media)
    {
        QObject::connect(&media, &TMainMedia::StateChanged, &media, [this](const TMediaState& s) { States << s; });
        QObject::connect(&media, &TMainMedia::ProgrammeChanged, &media,
                         [this](const QString& title, const QString& station, bool show) {
                             Programmes.append({title, station, show});
                         });
    }
    // Lets the adapter's pending read run.
    static void Settle() { QTest::qWait(20); }
};

} // namespace

class TestMainMedia : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void playerStatesAndTracks();
    void nextAndPreviousFollowTheCurrentLink();
    void stationChangesWhileNothingPlays();
    void publishedTitleFollowsThePreference();
    void programmeIsShownOnlyWhenAllowed();
    void volumeBothWays();
};

// Connecting and buffering already count as playing, an error does not; a
// new track for each programme title, none for a new bit rate.
void TestMainMedia::playerStatesAndTracks()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 2);
    TMainMedia media(*w);
    TReports reports(media);
    TReports::Settle();
    QCOMPARE(reports.States.size(), 1);
    const TMediaState stopped = reports.States.last();
    QVERIFY(!stopped.Playing);
    QCOMPARE(stopped.Station, SStation);
    QVERIFY(stopped.CanPlay);
    QVERIFY(!stopped.TrackKey.isEmpty());

    media.Play();
    QVERIFY(media.State().Playing); // connecting
    Poll(f, IWindowsMediaEngine::wmppsBuffering);
    QVERIFY(media.State().Playing);
    Poll(f, IWindowsMediaEngine::wmppsPlaying, u"早间新闻"_s);
    const TMediaState first = media.State();
    QVERIFY(first.Playing);
    QVERIFY(first.TrackKey != stopped.TrackKey);

    TReports::Settle();
    const qsizetype before = reports.States.size();
    Poll(f, IWindowsMediaEngine::wmppsPlaying, u"早间新闻"_s, 64000);
    TReports::Settle();
    QCOMPARE(reports.States.size(), before); // nothing a client sees changed
    Poll(f, IWindowsMediaEngine::wmppsPlaying, u"天气预报"_s, 64000);
    QVERIFY(media.State().TrackKey != first.TrackKey);

    f.Engines.WindowsMedia->RaiseError({u"无法连接"_s});
    QCOMPARE(w->ctlPlayer->State(), psError);
    QVERIFY(!media.State().Playing);
    QCOMPARE(media.Programme(), QString()); // the error's text is no title

    media.Stop();
    QCOMPARE(w->ctlPlayer->State(), psStopped);
}

void TestMainMedia::nextAndPreviousFollowTheCurrentLink()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 3);
    TMainMedia media(*w);
    QVERIFY(media.State().CanGoNext);
    QVERIFY(!media.State().CanGoPrevious);

    media.Next();
    QCOMPARE(w->Radio()->Link(), 1);
    QCOMPARE(f.Engines.WindowsMedia->URL, u"mms://127.0.0.1/b"_s);
    QVERIFY(media.State().CanGoPrevious);
    media.Next();
    QCOMPARE(w->Radio()->Link(), 2);
    QVERIFY(!media.State().CanGoNext);
    media.Next(); // past the end: nothing
    QCOMPARE(w->Radio()->Link(), 2);
    media.Previous();
    QCOMPARE(w->Radio()->Link(), 1);
    QCOMPARE(f.Engines.WindowsMedia->URL, u"mms://127.0.0.1/b"_s);
    QCOMPARE(w->ctlPlayer->State(), psConnecting);
}

// A link added or the station closed reaches the clients with the player
// stopped; while the link editor is open, commands wait.
void TestMainMedia::stationChangesWhileNothingPlays()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 1);
    TMainMedia media(*w);
    TReports reports(media);
    TReports::Settle();
    QVERIFY(!reports.States.last().CanGoNext);

    bool busyInEditor = false;
    f.Editors.AnswerLink([&](TRadioLink* link) {
        busyInEditor = media.Busy();
        link->SetText(u"四"_s);
        link->SetHref(u"mms://127.0.0.1/d"_s);
        return int(mrOk);
    });
    w->actAddLink->trigger();
    QVERIFY(busyInEditor);
    QVERIFY(!media.Busy());
    TReports::Settle();
    QVERIFY(reports.States.last().CanGoNext);

    f.Boxes.Answer(mrNo); // not saved
    w->actClose->trigger();
    TReports::Settle();
    TMediaState closed; // nothing to play, nothing to tell but the volume
    closed.Volume = w->barPlayer->value();
    QCOMPARE(reports.States.last(), closed);
}

void TestMainMedia::publishedTitleFollowsThePreference()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 1);
    TMainMedia media(*w);
    media.Play();
    Poll(f, IWindowsMediaEngine::wmppsPlaying, u" 早间新闻 "_s);
    QCOMPARE(media.State().Title, SStation); // mode 0: the station's name

    TWindowOptions options = w->Options();
    options.MSNTitleMode = 1;
    w->ApplyOptions(options);
    QCOMPARE(media.State().Title, u"早间新闻"_s);
    options.MSNTitle = false;
    w->ApplyOptions(options);
    QCOMPARE(media.State().Title, QString());
}

// A new programme title may be shown while the window is not in front and
// the user wants notifications.
void TestMainMedia::programmeIsShownOnlyWhenAllowed()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 1);
    TMainMedia media(*w);
    TReports reports(media);
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!w->isActiveWindow());

    media.Play();
    Poll(f, IWindowsMediaEngine::wmppsPlaying, u"早间新闻"_s);
    TReports::Settle();
    TWindowOptions options = w->Options();
    options.Notify = false;
    w->ApplyOptions(options);
    Poll(f, IWindowsMediaEngine::wmppsPlaying, u"天气预报"_s);
    TReports::Settle();
    options.Notify = true;
    w->ApplyOptions(options);
    w->activateWindow();
    QTRY_VERIFY(w->isActiveWindow());
    Poll(f, IWindowsMediaEngine::wmppsPlaying, u"新闻联播"_s);
    TReports::Settle();

    QCOMPARE(reports.Programmes.size(), 3);
    const QList<QPair<QString, bool>> expected{{u"早间新闻"_s, true}, {u"天气预报"_s, false}, {u"新闻联播"_s, false}};
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QCOMPARE(reports.Programmes[i].Title, expected[i].first);
        QCOMPARE(reports.Programmes[i].Show, expected[i].second);
        QCOMPARE(reports.Programmes[i].Station, SStation);
    }
}

void TestMainMedia::volumeBothWays()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 1);
    TMainMedia media(*w);
    TReports reports(media);
    media.SetVolume(42);
    QCOMPARE(w->barPlayer->value(), 42);
    QCOMPARE(w->ctlPlayer->Volume(), 42);
    w->barPlayer->setValue(7);
    TReports::Settle();
    QCOMPARE(reports.States.last().Volume, 7);
}

QTEST_MAIN(TestMainMedia)
#include "test_main_media.moc"
