#include "libNowPlaying.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(TPlayerState)
Q_DECLARE_METATYPE(TPlayerReport)

namespace {
TPlayerReport Report(TPlayerState state, const QString& info = {}, int progress = 100, int rate = 0)
{
    return {state, info, progress, rate};
}
// The player's report after a drop, with a try due in seconds.
TPlayerReport Waiting(TPlayerState state, const QString& info, int seconds)
{
    TPlayerReport report = Report(state, info, 100, 128);
    report.ReconnectIn = seconds;
    return report;
}
} // namespace

class TestNowPlaying : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void panels_data()
    {
        QTest::addColumn<TPlayerReport>("report");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("gauge");
        QTest::newRow("stopped") << Report(psStopped) << QStringList{u""_qs, u""_qs, u"已经停止"_qs, u""_qs} << -1;
        QTest::newRow("buffering shows the gauge")
            << Report(psBuffering, u""_qs, 40) << QStringList{u""_qs, u""_qs, u"正在缓冲"_qs, u""_qs} << 40;
        QTest::newRow("playing with title and rate")
            << Report(psPlaying, u"新闻和报纸摘要"_qs, 100, 128)
            << QStringList{u"新闻和报纸摘要"_qs, u""_qs, u"正在播放"_qs, u"128千比特/秒"_qs} << -1;
        QTest::newRow("a full gauge is closed")
            << Report(psBuffering, u""_qs, 100) << QStringList{u""_qs, u""_qs, u"正在缓冲"_qs, u""_qs} << -1;
        QTest::newRow("no rate, no rate text")
            << Report(psPlaying, u""_qs, 100, 0) << QStringList{u""_qs, u""_qs, u"正在播放"_qs, u""_qs} << -1;
        QTest::newRow("a try waits: said instead of the error")
            << Waiting(psError, u"无法打开媒体"_qs, 4)
            << QStringList{u"连接已断开，4秒后重新连接"_qs, u""_qs, u"发生错误"_qs, u"128千比特/秒"_qs} << -1;
    }
    void panels()
    {
        QFETCH(TPlayerReport, report);
        QFETCH(QStringList, texts);
        QFETCH(int, gauge);
        const TStatusPanels panels = StatusPanels(report);
        QCOMPARE(QStringList(panels.Texts.begin(), panels.Texts.end()), texts);
        QCOMPARE(panels.Gauge, gauge);
    }

    void tip_data()
    {
        QTest::addColumn<TPlayerReport>("report");
        QTest::addColumn<QString>("tip");
        const QString caption = u"本地台 - Kestrel收音机"_qs;
        QTest::newRow("stopped: the caption") << Report(psStopped, u"old title"_qs, 100, 128) << caption;
        QTest::newRow("playing: the panels, blanks skipped, trimmed")
            << Report(psPlaying, u"  早间新闻 "_qs, 100, 128) << u"早间新闻\r\n正在播放\r\n128千比特/秒"_qs;
        QTest::newRow("connecting: the state alone") << Report(psConnecting) << u"正在连接"_qs;
        QTest::newRow("stopped while a try waits: the panels")
            << Waiting(psStopped, QString(), 1) << u"连接已断开，1秒后重新连接\r\n已经停止\r\n128千比特/秒"_qs;
    }
    void tip()
    {
        QFETCH(TPlayerReport, report);
        QFETCH(QString, tip);
        QCOMPARE(TrayTipText(report, u"本地台 - Kestrel收音机"_qs), tip);
    }

    void title_data()
    {
        QTest::addColumn<TPlayerReport>("report");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("publish");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("title");
        const TPlayerReport playing = Report(psPlaying, u" 早间新闻 "_qs);
        QTest::newRow("station name") << playing << true << true << 0 << u"经济之声"_qs;
        QTest::newRow("programme") << playing << true << true << 1 << u"早间新闻"_qs;
        QTest::newRow("programme without a title") << Report(psPlaying) << true << true << 1 << u""_qs;
        QTest::newRow("not publishing") << playing << true << false << 0 << u""_qs;
        QTest::newRow("no station") << playing << false << true << 0 << u""_qs;
        QTest::newRow("buffering is not playing")
            << Report(psBuffering, u"早间新闻"_qs, 50) << true << true << 0 << u""_qs;
    }
    void title()
    {
        QFETCH(TPlayerReport, report);
        QFETCH(bool, open);
        QFETCH(bool, publish);
        QFETCH(int, source);
        QFETCH(QString, title);
        const QString station = u"经济之声"_qs;
        QCOMPARE(NowPlayingTitle(report, open ? &station : nullptr, publish, TTitleSource(source)), title);
    }

    // The messenger reads UTF-16 code units; the record is compared as text.
    void messengerRecord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("expected");
        QTest::newRow("show") << u"A"_qs << 0 << u"\\0Music\\01\\0A\\0WMContentID"_qs;
        QTest::newRow("withdraw") << u""_qs << 0 << u"\\0Music\\00\\0\\0\\0\\0\\0"_qs;
        QTest::newRow("games") << u"新闻"_qs << 1 << u"\\0Games\\01\\0新闻\\0WMContentID"_qs;
        QTest::newRow("unknown category is empty") << u"A"_qs << 3 << u"\\0\\01\\0A\\0WMContentID"_qs;
        // 127 code units at most: the end of a long title and the tag are lost.
        QTest::newRow("cut") << QString(200, u'长') << 0 << (u"\\0Music\\01\\0"_qs + QString(115, u'长'));
    }
    void messengerRecord()
    {
        QFETCH(QString, text);
        QFETCH(int, category);
        QFETCH(QString, expected);
        const QByteArray record = MessengerRecord(text, category);
        QCOMPARE(record.size(), 256);
        QString units;
        for (int i = 0; i < 128; ++i) {
            const char16_t unit = char16_t(quint8(record[2 * i]) | quint8(record[2 * i + 1]) << 8);
            if (unit == 0) {
                // Zero from here to the end.
                for (int j = 2 * i; j < 256; ++j)
                    QCOMPARE(record[j], '\0');
                break;
            }
            units.append(QChar(unit));
        }
        QCOMPARE(units, expected);
    }

    // Observers hear about real changes only: a repeated report signals nothing.
    void signalsOnlyChanges()
    {
        TNowPlaying model;
        QSignalSpy panels(&model, &TNowPlaying::PanelsChanged);
        QSignalSpy tip(&model, &TNowPlaying::TipChanged);
        QSignalSpy title(&model, &TNowPlaying::TitleChanged);
        QSignalSpy state(&model, &TNowPlaying::StateChanged);
        const QString station = u"经济之声"_qs;
        TNowPlaying::TInput input;
        input.StationText = &station;
        input.Caption = u"经济之声 - Kestrel收音机"_qs;
        input.Publish = true;

        model.Update(input);
        QCOMPARE(panels.count(), 1); // the first panels are always shown
        QCOMPARE(tip.count(), 1);
        QCOMPARE(title.count(), 0);
        model.Update(input);
        QCOMPARE(panels.count(), 1);
        QCOMPARE(tip.count(), 1);

        input.Player = Report(psPlaying, u"早间新闻"_qs, 100, 128);
        model.Update(input);
        QCOMPARE(panels.count(), 2);
        QCOMPARE(title.count(), 1);
        QCOMPARE(title.last().first().toString(), station);
        QCOMPARE(state.count(), 1);

        // A new programme title changes panels and tip but not a station-name title.
        input.Player.InfoText = u"天气预报"_qs;
        model.Update(input);
        QCOMPARE(panels.count(), 3);
        QCOMPARE(tip.count(), 3);
        QCOMPARE(title.count(), 1);
        QCOMPARE(model.Tip(), u"天气预报\r\n正在播放\r\n128千比特/秒"_qs);
    }
};

QTEST_GUILESS_MAIN(TestNowPlaying)
#include "test_nowplaying.moc"
