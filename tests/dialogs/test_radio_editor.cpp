// The station editor: what it writes back for each result, and the three
// history lists it fills its combo boxes from and saves on every close.

#include "FakeMessageBoxes.h"
#include "TestHome.h"
#include "TestSupport.h"
#include "libConst.h"
#include "libRadio.h"
#include "libRegistry.h"
#include "libText.h"
#include "vclRadio.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QString History(const QString& combo) { return ComponentFilePath(u"winRadio"_s, combo); }

void WriteHistory(const QString& combo, const QStringList& lines) { WriteListFile(History(combo), lines); }

QStringList Items(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items += combo->itemText(i);
    return items;
}

QStringList Numbered(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines += u"类型%1"_s.arg(i);
    return lines;
}
} // namespace

class TestRadioEditor : public QObject
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

    void newStationUnchanged();
    void writeBack_data();
    void writeBack();
    void cancelWritesNothing();
    void historyOnOpening_data();
    void historyOnOpening();
    void entryCaseWinsOnlyWhenChanged();
    void historySavedOnClose();
    void typedThenCancelledIsRemembered();
    void failingHistoryFileDoesNotStopTheOthers();

private:
    std::unique_ptr<TTestHome> FHome;
    std::unique_ptr<TFakeMessageBoxes> FBoxes;
};

void TestRadioEditor::newStationUnchanged()
{
    TRadio radio;
    int result = 0;
    {
        TwinRadio form(nullptr, &radio);
        QCOMPARE(form.windowTitle(), Const::SUnnamedRadio);
        QCOMPARE(form.edtText->text(), Const::SUnnamedRadio);
        QVERIFY(!form.Changed());
        form.btnOK->click();
        result = form.result();
    }
    QCOMPARE(result, int(mrNo));
    QCOMPARE(radio.Text(), QString());
    // Nothing was typed, so the histories stay empty.
    for (const QString& combo : {u"cboKind"_s, u"cboLang"_s, u"cboLand"_s})
        QCOMPARE(ReadListFile(History(combo)), QStringList());
    QVERIFY(FBoxes->Questions().isEmpty());
}

void TestRadioEditor::writeBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("storedName");

    QTest::newRow("blanks around") << u"  音乐台\t"_s << u"音乐台"_s;
    QTest::newRow("placeholder") << u" 未命名的电台 "_s << QString();
    QTest::newRow("ideographic space kept") << u"\u3000音乐台"_s << u"\u3000音乐台"_s;
}

void TestRadioEditor::writeBack()
{
    QFETCH(QString, name);

    TRadio radio;
    radio.SetText(u"旧名"_s);
    TwinRadio form(nullptr, &radio);
    form.edtText->setText(name);
    form.edtHome->setText(u" http://home.example.cn/ "_s);
    form.edtMenu->setText(u"http://home.example.cn/menu"_s);
    form.cboKind->setEditText(u" 音乐 "_s);
    form.cboLang->setEditText(u"普通话"_s);
    form.cboLand->setEditText(u"北京"_s);
    form.accept();

    QCOMPARE(form.result(), int(mrOk));
    QTEST(radio.Text(), "storedName");
    QCOMPARE(radio.Href(), u"http://home.example.cn/"_s);
    QCOMPARE(radio.Menu(), u"http://home.example.cn/menu"_s);
    QCOMPARE(radio.Kind(), u"音乐"_s);
    QCOMPARE(radio.Lang(), u"普通话"_s);
    QCOMPARE(radio.Land(), u"北京"_s);
}

void TestRadioEditor::cancelWritesNothing()
{
    TRadio radio;
    radio.SetText(u"电台"_s);
    radio.SetKind(u"新闻"_s);
    TwinRadio form(nullptr, &radio);
    form.edtText->setText(u"别的"_s);
    form.cboKind->setEditText(u"体育"_s);
    form.reject();
    QCOMPARE(form.result(), int(mrCancel));
    QCOMPARE(radio.Text(), u"电台"_s);
    QCOMPARE(radio.Kind(), u"新闻"_s);
}

void TestRadioEditor::historyOnOpening_data()
{
    QTest::addColumn<QStringList>("file"); // no file when null
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("selected");

    const QStringList list = {u"新闻"_s, u"pop"_s, u"音乐"_s, u"Pop"_s};
    QTest::newRow("value found: the entry nearest the end") << list << u"POP"_s << list << 3;
    QTest::newRow("value missing: inserted first")
        << list << u"体育"_s << QStringList{u"体育"_s, u"新闻"_s, u"pop"_s, u"音乐"_s, u"Pop"_s} << 0;
    QTest::newRow("empty value: no selection") << list << QString() << list << -1;
    QTest::newRow("no file") << QStringList() << u"新闻"_s << QStringList{u"新闻"_s} << 0;
    QTest::newRow("only Latin letters fold")
        << QStringList{u"Ａ台"_s} << u"ａ台"_s << QStringList{u"ａ台"_s, u"Ａ台"_s} << 0;
    const QStringList longList = Numbered(35);
    QTest::newRow("a long file is shown whole") << longList << u"类型35"_s << longList << 34;
}

void TestRadioEditor::historyOnOpening()
{
    QFETCH(QStringList, file);
    QFETCH(QString, value);
    QFETCH(QStringList, items);
    QFETCH(int, selected);

    if (!file.isEmpty())
        WriteHistory(u"cboLang"_s, file);
    TRadio radio;
    radio.SetLang(value);
    TwinRadio form(nullptr, &radio);

    QCOMPARE(Items(form.cboLang), items);
    QCOMPARE(form.cboLang->currentIndex(), selected);
    QCOMPARE(form.cboLang->currentText(), selected < 0 ? QString() : items[selected]);
    QVERIFY(!form.Changed());
}

void TestRadioEditor::entryCaseWinsOnlyWhenChanged()
{
    WriteHistory(u"cboKind"_s, {u"Rock"_s});
    TRadio radio;
    radio.SetKind(u"ROCK"_s);
    {
        TwinRadio form(nullptr, &radio);
        QCOMPARE(Items(form.cboKind), QStringList{u"Rock"_s});
        form.accept();
        QCOMPARE(form.result(), int(mrNo));
    }
    QCOMPARE(radio.Kind(), u"ROCK"_s);
    {
        TwinRadio form(nullptr, &radio);
        form.edtMenu->setText(u"http://menu"_s);
        form.accept();
        QCOMPARE(form.result(), int(mrOk));
    }
    QCOMPARE(radio.Kind(), u"Rock"_s);
}

void TestRadioEditor::historySavedOnClose()
{
    WriteHistory(u"cboKind"_s, Numbered(35));
    WriteHistory(u"cboLand"_s, {u"北京"_s, u"上海"_s});
    TRadio radio;
    {
        TwinRadio form(nullptr, &radio);
        QCOMPARE(form.cboKind->count(), 35);
        form.cboKind->setEditText(u"  戏曲 "_s);
        form.cboLand->setEditText(u"上海"_s); // already listed: stays where it is
        form.cboLang->setEditText(u"   "_s);  // blank: adds nothing
        form.accept();
    }
    const QStringList kinds = QStringList{u"戏曲"_s} + Numbered(29);
    // GBK, every entry ended by CR LF.
    QCOMPARE(ReadFileBytes(History(u"cboKind"_s)), ToGbk(kinds.join(u"\r\n"_s) + u"\r\n"_s));
    QCOMPARE(ReadListFile(History(u"cboLand"_s)), (QStringList{u"北京"_s, u"上海"_s}));
    QVERIFY(QFile::exists(History(u"cboLang"_s)));
    QCOMPARE(QFile(History(u"cboLang"_s)).size(), 0);
}

void TestRadioEditor::typedThenCancelledIsRemembered()
{
    TRadio radio;
    radio.SetLand(u"广东"_s);
    {
        TwinRadio form(nullptr, &radio);
        form.cboKind->setEditText(u"相声"_s);
        form.reject();
    }
    TRadio other;
    TwinRadio form(nullptr, &other);
    QCOMPARE(Items(form.cboKind), QStringList{u"相声"_s});
    // The station's own value entered the history although nothing was confirmed.
    QCOMPARE(Items(form.cboLand), QStringList{u"广东"_s});
    QCOMPARE(form.cboKind->currentIndex(), -1);
}

void TestRadioEditor::failingHistoryFileDoesNotStopTheOthers()
{
    // A folder where the language list belongs cannot be replaced by a file.
    QVERIFY(QDir().mkpath(History(u"cboLang"_s)));
    TRadio radio;
    {
        TwinRadio form(nullptr, &radio);
        form.cboKind->setEditText(u"新闻"_s);
        form.cboLang->setEditText(u"粤语"_s);
        form.cboLand->setEditText(u"香港"_s);
        FBoxes->Answer(mrOk);
        form.accept();
    }
    QCOMPARE(radio.Land(), u"香港"_s);
    QCOMPARE(ReadListFile(History(u"cboKind"_s)), QStringList{u"新闻"_s});
    QCOMPARE(ReadListFile(History(u"cboLand"_s)), QStringList{u"香港"_s});
    QCOMPARE(FBoxes->Questions().size(), 1);
    QCOMPARE(FBoxes->Questions().first().Icon, TMsgIcon::Error);
    QVERIFY2(FBoxes->Questions().first().Text.contains(History(u"cboLang"_s)),
             qPrintable(FBoxes->Questions().first().Text));
}

QTEST_MAIN(TestRadioEditor)
#include "test_radio_editor.moc"
