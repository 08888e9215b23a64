// A station whose links are a PLS on a loopback web server, the list naming
// the local Icecast's mount: each engine plays the mount the list names, and
// the tone is heard.

#include "LiveWindowFixture.h"
#include "TestHttpServer.h"
#include "ctlRadioPlayer.h"

#include <QAction>
#include <QSlider>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMainPlaylistLive : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linkToAPlsPlaysItsStream();
};

void TestMainPlaylistLive::linkToAPlsPlaysItsStream()
{
    TLiveWindowFixture f;
    TTestHttpServer web;
    QVERIFY(web.Listen());
    // The first entry plays; the dead second one is for the reconnect
    // policy's fall-through, which the player does not do itself.
    const QByteArray pls = "[playlist]\r\nFile1=" + f.Servers.IcecastUrl().toUtf8()
                           + "\r\nTitle1=本地\r\nFile2=" + f.Servers.DeadUrl().toUtf8() + "\r\nNumberOfEntries=2\r\n";
    web.Answer("/listen.pls", "HTTP/1.1 200 OK\r\nContent-Type: audio/x-scpls\r\nContent-Length: "
                                  + QByteArray::number(pls.size()) + "\r\nConnection: close\r\n\r\n" + pls);
    TwinMain& window = *f.Window;
    for (int i = 0; i < window.Radio()->Links().Count(); ++i)
        window.Radio()->Links()[i]->SetHref(web.Address(u"/listen.pls"_s));

    window.barPlayer->setValue(100);
    for (int link = 0; link < 2; ++link) {
        const int asked = int(web.Requested().size());
        window.Radio()->SetLink(link);
        window.actPlay->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(window.ctlPlayer->State(), psPlaying, 15000);
        // Fetched once, by the resolver: the engine got the mount, not the list.
        QCOMPARE(web.Requested().size(), asked + 1);
        QTRY_VERIFY_WITH_TIMEOUT(f.Servers.PeakLevel(300) > 1000, 10000);
        window.actStop->trigger();
        QTRY_COMPARE(window.ctlPlayer->State(), psStopped);
    }
    QVERIFY(f.Boxes.Questions().isEmpty());
}

QTEST_MAIN(TestMainPlaylistLive)
#include "test_main_playlist_live.moc"
