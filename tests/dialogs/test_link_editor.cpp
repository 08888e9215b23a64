// The link editor: what it shows, which addresses it refuses, how the address
// decides the kind, and what each result writes into the caller's link.

#include "FakeMessageBoxes.h"
#include "TestHome.h"
#include "libConst.h"
#include "libRadio.h"
#include "libText.h"
#include "vclLink.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TStreamKind)

class TestLinkEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        FHome = std::make_unique<TTestHome>();
        FBoxes = std::make_unique<TFakeMessageBoxes>();
    }
    void cleanup()
    {
        FBoxes.reset();
        FHome.reset();
    }

    void opening_data();
    void opening();
    void refusals_data();
    void refusals();
    void kindFromAddress_data();
    void kindFromAddress();
    void unchangedAndCancelled();
    void nameFollowsAddress();
    void kindChosenByUser();
    void escapeKeepsEditorOpen();
    void placement();

private:
    std::unique_ptr<TTestHome> FHome;
    std::unique_ptr<TFakeMessageBoxes> FBoxes;
};

void TestLinkEditor::opening_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("href");
    QTest::addColumn<TStreamKind>("kind");
    QTest::addColumn<int>("best");
    QTest::addColumn<int>("shit");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("bestText");
    QTest::addColumn<QString>("shitText");

    QTest::newRow("named, with rates") << u"新闻台"_s << u"rtsp://a/b"_s << skRealMedia << 128 << 32 << u"新闻台"_s
                                       << u"128"_s << u"32"_s;
    QTest::newRow("unnamed shows its address")
        << QString() << u"mms://a/b"_s << skWindowsMedia << 0 << 0 << u"mms://a/b"_s << QString() << QString();
    QTest::newRow("new link") << QString() << QString() << skWindowsMedia << 0 << 0 << Const::SUnnamedLink << QString()
                              << QString();
}

void TestLinkEditor::opening()
{
    QFETCH(QString, text);
    QFETCH(QString, href);
    QFETCH(TStreamKind, kind);
    QFETCH(int, best);
    QFETCH(int, shit);
    QFETCH(QString, shown);

    TRadioLink link;
    link.SetHref(href);
    link.SetText(text);
    link.SetKind(kind);
    link.SetBestKbps(std::uint16_t(best));
    link.SetShitKbps(std::uint16_t(shit));
    TwinLink form(nullptr, &link);

    QCOMPARE(form.windowTitle(), shown);
    QCOMPARE(form.edtText->text(), shown);
    QCOMPARE(form.edtLink->text(), href);
    QTEST(form.edtBest->text(), "bestText");
    QTEST(form.edtShit->text(), "shitText");
    QVERIFY(form.edtBest->isReadOnly() && form.edtShit->isReadOnly());
    QCOMPARE(form.cboKind->count(), 2);
    QCOMPARE(form.cboKind->itemText(0), u"Windows Media"_s);
    QCOMPARE(form.cboKind->itemText(1), u"Real Media"_s);
    QCOMPARE(form.cboKind->currentIndex(), int(kind));
    QVERIFY(!form.Changed());
}

void TestLinkEditor::refusals_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QString>("message");

    const QString empty = u"收听连接的流地址不可以为空"_s;
    const QString bad = u"收听连接的流地址不是合法的URL"_s;
    QTest::newRow("blanks only") << u" \t "_s << true << empty;
    QTest::newRow("ftp") << u"ftp://host/a.wma"_s << true << bad;
    QTest::newRow("no scheme") << u"www.example.com/live"_s << true << bad;
    // A link read from a file cannot be confirmed unchanged with a bad address.
    QTest::newRow("untouched bad address") << u"file:///tmp/a.mp3"_s << false << bad;
    QTest::newRow("untouched new link") << QString() << false << empty;
}

void TestLinkEditor::refusals()
{
    QFETCH(QString, address);
    QFETCH(bool, edited);
    QFETCH(QString, message);

    TRadioLink link;
    if (!edited)
        link.SetHref(address);
    TwinLink form(nullptr, &link);
    if (edited)
        form.edtLink->setText(address);
    FBoxes->Answer(mrOk);
    form.btnOK->click();

    QCOMPARE(FBoxes->Questions().size(), 1);
    QCOMPARE(FBoxes->Questions().first().Text, message);
    QCOMPARE(FBoxes->Questions().first().Icon, TMsgIcon::Error);
    QCOMPARE(form.result(), int(mrNone)); // still open
    QCOMPARE(link.Href(), edited ? QString() : TrimText(address));

    // Cancel still closes.
    form.btnNO->click();
    QCOMPARE(form.result(), int(mrCancel));
}

void TestLinkEditor::kindFromAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<TStreamKind>("selected");
    QTest::addColumn<QString>("storedHref");
    QTest::addColumn<TStreamKind>("storedKind");

    QTest::newRow("MMS in capitals, Real selected")
        << u"  MMS://live.example.cn/radio  "_s << skRealMedia << u"MMS://live.example.cn/radio"_s << skWindowsMedia;
    QTest::newRow("rtsp, Windows Media selected")
        << u"rtsp://a/b.rm"_s << skWindowsMedia << u"rtsp://a/b.rm"_s << skRealMedia;
    QTest::newRow("http takes the selection: Real") << u"http://a/b"_s << skRealMedia << u"http://a/b"_s << skRealMedia;
    QTest::newRow("https takes the selection: Windows Media")
        << u"https://a/b"_s << skWindowsMedia << u"https://a/b"_s << skWindowsMedia;
}

void TestLinkEditor::kindFromAddress()
{
    QFETCH(QString, address);
    QFETCH(TStreamKind, selected);

    TRadioLink link;
    link.SetText(u"电台"_s);
    link.SetBestKbps(64);
    link.SetShitKbps(20);
    TwinLink form(nullptr, &link);
    form.cboKind->setCurrentIndex(selected);
    form.edtLink->setText(address);
    form.accept();

    QCOMPARE(form.result(), int(mrOk));
    QTEST(link.Href(), "storedHref");
    QTEST(link.Kind(), "storedKind");
    QCOMPARE(link.Text(), u"电台"_s);
    // The editor never touches the bit rates.
    QCOMPARE(link.BestKbps(), 64);
    QCOMPARE(link.ShitKbps(), 20);
    QVERIFY(FBoxes->Questions().isEmpty());
}

void TestLinkEditor::unchangedAndCancelled()
{
    TRadioLink link;
    link.SetHref(u"http://a/b"_s);
    link.SetKind(skRealMedia);

    {
        // Programmatic selection is not a change; untouched, OK answers No.
        TwinLink form(nullptr, &link);
        form.cboKind->setCurrentIndex(skWindowsMedia);
        form.accept();
        QCOMPARE(form.result(), int(mrNo));
    }
    {
        TwinLink form(nullptr, &link);
        form.edtText->setText(u"改过的名字"_s);
        form.edtLink->setText(u"mms://other"_s);
        form.reject();
        QCOMPARE(form.result(), int(mrCancel));
    }
    QCOMPARE(link.Text(), QString());
    QCOMPARE(link.Href(), u"http://a/b"_s);
    QCOMPARE(link.Kind(), skRealMedia);
}

void TestLinkEditor::nameFollowsAddress()
{
    // The name field shows the old address or the placeholder; confirming it
    // must leave the link unnamed, also when the address changed with it.
    TRadioLink unnamed;
    unnamed.SetHref(u"mms://old/live"_s);
    TRadioLink fresh;
    for (TRadioLink* link : {&unnamed, &fresh}) {
        TwinLink form(nullptr, link);
        form.edtLink->setText(u"mms://new/live"_s);
        form.btnOK->click();
        QCOMPARE(form.result(), int(mrOk));
        QCOMPARE(link->Text(), QString());
        QCOMPARE(link->DisplayText(), u"mms://new/live"_s);
    }
}

void TestLinkEditor::kindChosenByUser()
{
    TRadioLink link;
    link.SetHref(u"http://a/b"_s);
    TwinLink form(nullptr, &link);
    QTest::keyClick(form.cboKind, Qt::Key_Down);
    QCOMPARE(form.cboKind->currentIndex(), int(skRealMedia));
    QVERIFY(form.Changed());
    form.accept();
    QCOMPARE(form.result(), int(mrOk));
    QCOMPARE(link.Kind(), skRealMedia);
}

void TestLinkEditor::escapeKeepsEditorOpen()
{
    TRadioLink link;
    TwinLink form(nullptr, &link);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.edtLink, Qt::Key_Escape);
    QTest::keyClick(form.edtLink, Qt::Key_Return);
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), int(mrNone));
    QVERIFY(FBoxes->Questions().isEmpty());
}

void TestLinkEditor::placement()
{
    TRadioLink link;
    int height = 0;
    {
        TwinLink form(nullptr, &link);
        height = form.height() + 40;
        form.resize(620, height);
    }
    TwinLink form(nullptr, &link);
    QCOMPARE(form.size(), QSize(620, height));
    // The height it comes back with is the least it can be made.
    QCOMPARE(form.minimumHeight(), height);
}

QTEST_MAIN(TestLinkEditor)
#include "test_link_editor.moc"
