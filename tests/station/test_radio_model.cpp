// The station model: normalising setters, display texts, the current-link
// correction, learning bit rates and copying.

#include "libConst.h"
#include "libRadio.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestRadioModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stationText_data();
    void stationText();
    void stationFieldsAreTrimmed();
    void linkText_data();
    void linkText();
    void linkDisplayText_data();
    void linkDisplayText();
    void currentLink_data();
    void currentLink();
    void kbpsText();
    void learnKbps_data();
    void learnKbps();
    void collection();
    void copyUnnamedLinkNamesItByAddress();
    void copyStation();
    void copyUnnamedStationStaysUnnamed();
};

void TestRadioModel::stationText_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("display");
    QTest::newRow("plain") << u"中国之声"_s << u"中国之声"_s << u"中国之声"_s;
    QTest::newRow("control codes trimmed") << u"\t\r\n 音乐台 \x01"_s << u"音乐台"_s << u"音乐台"_s;
    QTest::newRow("ideographic space kept")
        << u"\u3000音乐台\u3000"_s << u"\u3000音乐台\u3000"_s << u"\u3000音乐台\u3000"_s;
    QTest::newRow("placeholder with spaces") << u"  未命名的电台  "_s << QString() << u"未命名的电台"_s;
    QTest::newRow("placeholder inside a name") << u"未命名的电台2"_s << u"未命名的电台2"_s << u"未命名的电台2"_s;
    QTest::newRow("blank") << u"   "_s << QString() << u"未命名的电台"_s;
}

void TestRadioModel::stationText()
{
    QFETCH(QString, value);
    QFETCH(QString, text);
    QFETCH(QString, display);
    TRadio radio;
    radio.SetText(value);
    QCOMPARE(radio.Text(), text);
    QCOMPARE(radio.DisplayText(), display);
}

void TestRadioModel::stationFieldsAreTrimmed()
{
    TRadio radio;
    radio.SetHref(u" http://www.example.cn/ \n");
    radio.SetKind(u"\t音乐 ");
    radio.SetLang(u" 中文");
    radio.SetLand(u"中国 ");
    radio.SetMenu(u"  http://www.example.cn/节目单?a=1&b=2  ");
    QCOMPARE(radio.Href(), u"http://www.example.cn/"_s);
    QCOMPARE(radio.Kind(), u"音乐"_s);
    QCOMPARE(radio.Lang(), u"中文"_s);
    QCOMPARE(radio.Land(), u"中国"_s);
    // Addresses keep every character; they are not narrowed to GBK.
    QCOMPARE(radio.Menu(), u"http://www.example.cn/节目单?a=1&b=2"_s);
}

void TestRadioModel::linkText_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("name") << u"mms://a/b"_s << u" 高码率 "_s << u"高码率"_s;
    QTest::newRow("placeholder with a leading space") << QString() << u" 未命名的收听连接"_s << QString();
    QTest::newRow("equal to the address")
        << u"mms://live.example.cn/radio"_s << u"mms://live.example.cn/radio"_s << QString();
    QTest::newRow("address in capitals is a name")
        << u"mms://live.example.cn/radio"_s << u"MMS://LIVE.EXAMPLE.CN/RADIO"_s << u"MMS://LIVE.EXAMPLE.CN/RADIO"_s;
}

void TestRadioModel::linkText()
{
    QFETCH(QString, href);
    QFETCH(QString, value);
    QFETCH(QString, text);
    TRadioLink link;
    link.SetHref(href);
    link.SetText(value);
    QCOMPARE(link.Text(), text);
}

void TestRadioModel::linkDisplayText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("display");
    QTest::newRow("named") << u"主线路"_s << u"mms://a"_s << u"主线路"_s;
    QTest::newRow("address only") << QString() << u"mms://live.example.cn/radio"_s << u"mms://live.example.cn/radio"_s;
    QTest::newRow("neither") << QString() << QString() << u"未命名的收听连接"_s;
}

void TestRadioModel::linkDisplayText()
{
    QFETCH(QString, text);
    QFETCH(QString, href);
    QFETCH(QString, display);
    TRadioLink link;
    link.SetText(text);
    link.SetHref(href);
    QCOMPARE(link.DisplayText(), display);
}

void TestRadioModel::currentLink_data()
{
    QTest::addColumn<int>("links");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("read");
    QTest::newRow("no links") << 0 << 0 << -1;
    QTest::newRow("no links, stored 2") << 0 << 2 << -1;
    QTest::newRow("in range") << 3 << 2 << 2;
    QTest::newRow("too high") << 3 << 7 << 0;
    QTest::newRow("count itself") << 3 << 3 << 0;
    QTest::newRow("negative") << 3 << -4 << 0;
}

void TestRadioModel::currentLink()
{
    QFETCH(int, links);
    QFETCH(int, stored);
    QFETCH(int, read);
    TRadio radio;
    for (int i = 0; i < links; ++i)
        radio.Links().Add();
    radio.SetLink(stored);
    QCOMPARE(radio.Link(), read);
    QCOMPARE(radio.StoredLink(), stored);
}

void TestRadioModel::kbpsText()
{
    TRadioLink link;
    QCOMPARE(link.BestKbpsText(), QString());
    QCOMPARE(link.ShitKbpsText(), QString());
    link.SetBestKbps(128);
    link.SetShitKbps(65535);
    QCOMPARE(link.BestKbpsText(), u"128"_s);
    QCOMPARE(link.ShitKbpsText(), u"65535"_s);
}

void TestRadioModel::learnKbps_data()
{
    QTest::addColumn<int>("best");
    QTest::addColumn<int>("shit");
    QTest::addColumn<int>("kbps");
    QTest::addColumn<int>("learnedBest");
    QTest::addColumn<int>("learnedShit");
    QTest::addColumn<bool>("changed");
    QTest::newRow("first rate sets both") << 0 << 0 << 128 << 128 << 128 << true;
    QTest::newRow("higher raises the highest") << 128 << 96 << 160 << 160 << 96 << true;
    QTest::newRow("lower lowers the lowest") << 128 << 128 << 96 << 128 << 96 << true;
    QTest::newRow("equal to the highest") << 128 << 96 << 128 << 128 << 96 << false;
    QTest::newRow("equal to the lowest") << 128 << 96 << 96 << 128 << 96 << false;
    QTest::newRow("between the two") << 128 << 96 << 112 << 128 << 96 << false;
    QTest::newRow("zero teaches nothing") << 0 << 0 << 0 << 0 << 0 << false;
    QTest::newRow("negative teaches nothing") << 128 << 96 << -64 << 128 << 96 << false;
    QTest::newRow("lowest unknown") << 128 << 0 << 200 << 200 << 200 << true;
    // A hand-written file may hold a lowest rate only.
    QTest::newRow("highest unknown") << 0 << 96 << 64 << 64 << 64 << true;
    QTest::newRow("largest storable") << 0 << 0 << 65535 << 65535 << 65535 << true;
    QTest::newRow("above 65535 stored as 65535") << 128 << 96 << 70000 << 65535 << 96 << true;
    QTest::newRow("above 65535 again changes nothing") << 65535 << 96 << 70000 << 65535 << 96 << false;
}

void TestRadioModel::learnKbps()
{
    QFETCH(int, best);
    QFETCH(int, shit);
    QFETCH(int, kbps);
    TRadioLink link;
    link.SetBestKbps(std::uint16_t(best));
    link.SetShitKbps(std::uint16_t(shit));

    const bool changed = LearnKbps(link, kbps);

    QTEST(int(link.BestKbps()), "learnedBest");
    QTEST(int(link.ShitKbps()), "learnedShit");
    QTEST(changed, "changed");
}

void TestRadioModel::collection()
{
    TRadioLinks links;
    TRadioLink* first = links.Add();
    QCOMPARE(first->Kind(), skWindowsMedia);
    QCOMPARE(first->BestKbps(), 0);
    QVERIFY(first->Text().isEmpty() && first->Href().isEmpty());
    first->SetHref(u"mms://1");
    links.Add()->SetHref(u"mms://2");
    links.Add()->SetHref(u"mms://3");
    QCOMPARE(links.Count(), 3);
    QCOMPARE(links[2]->Index(), 2);
    QCOMPARE(links.Items(1)->Collection(), &links);
    QCOMPARE(links.Items(3), nullptr);
    QCOMPARE(links.Items(-1), nullptr);

    links.Delete(1);
    QCOMPARE(links.Count(), 2);
    QCOMPARE(links[1]->Href(), u"mms://3"_s);
    QCOMPARE(links[1]->Index(), 1);
    links.Delete(5); // out of range: nothing happens
    QCOMPARE(links.Count(), 2);

    links.BeginUpdate();
    links.Clear();
    links.EndUpdate();
    QCOMPARE(links.Count(), 0);
    QCOMPARE(links.UpdateCount(), 0);

    TRadioLink loose;
    QCOMPARE(loose.Index(), -1);
    QCOMPARE(loose.Collection(), nullptr);
}

void TestRadioModel::copyUnnamedLinkNamesItByAddress()
{
    // The name is set before the address: the fresh copy has no address yet,
    // so the source's address becomes an explicit name.
    TRadioLinks links;
    TRadioLink* source = links.Add();
    source->SetHref(u"mms://live.example.cn/radio");
    TRadioLink* copy = links.Add();
    copy->Assign(*source);
    QCOMPARE(copy->Text(), u"mms://live.example.cn/radio"_s);
    QCOMPARE(copy->Href(), u"mms://live.example.cn/radio"_s);

    // Copying onto a link that already holds that address keeps it unnamed.
    TRadioLink again;
    again.SetHref(u"mms://live.example.cn/radio");
    again.Assign(*source);
    QCOMPARE(again.Text(), QString());
}

void TestRadioModel::copyStation()
{
    TRadio source;
    source.SetText(u"经济之声");
    source.SetHref(u"http://www.example.cn/");
    source.SetKind(u"财经");
    source.SetLang(u"普通话");
    source.SetLand(u"北京");
    source.SetMenu(u"http://www.example.cn/menu");
    const struct
    {
        const char16_t* Text;
        const char16_t* Href;
        TStreamKind Kind;
        quint16 Best;
        quint16 Shit;
    } rows[] = {
        {u"一", u"rtsp://a/1", skRealMedia, 48, 24},
        {u"二", u"mms://a/2", skWindowsMedia, 0, 0},
    };
    for (const auto& row : rows) {
        TRadioLink* link = source.Links().Add();
        link->SetText(QString::fromUtf16(row.Text));
        link->SetHref(QString::fromUtf16(row.Href));
        link->SetKind(row.Kind);
        link->SetBestKbps(row.Best);
        link->SetShitKbps(row.Shit);
    }
    source.SetLink(9);

    TRadio copy;
    copy.Links().Add()->SetHref(u"old");
    copy.Assign(source);
    QCOMPARE(copy.Text(), source.Text());
    QCOMPARE(copy.Href(), source.Href());
    QCOMPARE(copy.Kind(), source.Kind());
    QCOMPARE(copy.Lang(), source.Lang());
    QCOMPARE(copy.Land(), source.Land());
    QCOMPARE(copy.Menu(), source.Menu());
    QCOMPARE(copy.StoredLink(), 0);
    QCOMPARE(copy.Links().Count(), 2);
    for (int i = 0; i < 2; ++i) {
        const TRadioLink* link = copy.Links()[i];
        QCOMPARE(link->Text(), QString::fromUtf16(rows[i].Text));
        QCOMPARE(link->Href(), QString::fromUtf16(rows[i].Href));
        QCOMPARE(link->Kind(), rows[i].Kind);
        QCOMPARE(link->BestKbps(), rows[i].Best);
        QCOMPARE(link->ShitKbps(), rows[i].Shit);
        QCOMPARE(link->Collection(), &copy.Links());
    }
}

void TestRadioModel::copyUnnamedStationStaysUnnamed()
{
    TRadio source;
    TRadio copy;
    copy.SetText(u"旧名字");
    copy.SetLink(3);
    copy.Assign(source);
    QCOMPARE(copy.Text(), QString());
    QCOMPARE(copy.DisplayText(), Const::SUnnamedRadio);
    QCOMPARE(copy.StoredLink(), -1);
}

QTEST_GUILESS_MAIN(TestRadioModel)
#include "test_radio_model.moc"
