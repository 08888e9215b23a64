// The tool bar's layout rules without a window: candidates, the default
// layout, the layout file's lines as a start applies them and as an exit
// writes them, and what the buttons show.

#include "libToolbar.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The window's tool bar commands as the command list holds them, and the
// first command after them, which has no picture.
QList<TToolbarCommand> WindowCommands()
{
    struct TRow
    {
        const char* Name;
        const char16_t* Caption;
        const char16_t* Hint;
        int Tag;
    };
    static const TRow rows[] = {
        {"actNew", u"新建(&N)...", u"", 1},
        {"actOpen", u"打开(&O)...", u"", 1},
        {"actSave", u"保存(&S)...", u"", 1},
        {"actSaveAs", u"另存为(&A)...", u"", 0},
        {"actCopyLink", u"复制流地址(&C)", u"复制", 0},
        {"actEdit", u"信息(&R)", u"", 1},
        {"actMenu", u"节目单(&M)", u"", 1},
        {"actPlay", u"播放(&P)", u"", -1},
        {"actStop", u"停止(&S)", u"", 1},
        {"actMute", u"静音(&M)", u"", 1},
        {"actVolume", u"音量(&V)", u"", -1},
        {"actLinks", u"连接(&L)", u"", 1},
        {"actSetup", u"选项(&O)...", u"", -1},
        {"actClub", u"网络电台听友俱乐部(&C)", u"听友会", -1},
        {"actHelp", u"帮助(&H)", u"", 1},
    };
    QList<TToolbarCommand> commands;
    int picture = 0;
    for (const TRow& row : rows)
        commands.append({QString::fromLatin1(row.Name), QString::fromUtf16(row.Caption), QString::fromUtf16(row.Hint),
                         picture++, row.Tag, QString()});
    commands.append({u"actOpenLib"_qs, u"访问在线电台库(&H)..."_qs, QString(), -1, 0, QString()});
    commands.append({u"actClose"_qs, u"关闭(&C)"_qs, QString(), -1, 0, QString()});
    return commands;
}

// Items as one line: "|" a separator, a name a button, "-" in front of a hidden item.
QString Describe(const TToolbarItems& items)
{
    QStringList words;
    for (const TToolbarItem& item : items)
        words.append((item.Visible ? QString() : u"-"_qs) + (item.IsSeparator() ? u"|"_qs : item.Command));
    return words.join(u' ');
}

const QString DefaultLayout = u"actNew actOpen actSave -actSaveAs -actCopyLink actEdit actMenu | actPlay actStop "
                              u"actMute | actVolume actLinks | actSetup | actClub actHelp"_qs;

// The buttons a layout did not place, hidden in command-list order, then what it placed.
QString Placed(const QString& placed)
{
    QStringList words;
    const QStringList shown = placed.split(u' ', Qt::SkipEmptyParts);
    for (const TToolbarCommand& command : ToolbarCandidates(WindowCommands()))
        if (!shown.contains(command.Name))
            words.append(u'-' + command.Name);
    return (words + shown).join(u' ');
}

} // namespace

class TestToolbarLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void candidatesEndAtTheFirstCommandWithoutPicture()
    {
        const QList<TToolbarCommand> candidates = ToolbarCandidates(WindowCommands());
        QCOMPARE(candidates.size(), 15);
        QCOMPARE(candidates.last().Name, u"actHelp"_qs);

        // A command with neither caption nor picture does not end the list;
        // nothing after the first one without a picture is looked at.
        const QList<TToolbarCommand> mixed = {{u"a"_qs, u"甲"_qs, {}, 0, 1, {}},
                                              {u"blank"_qs, {}, {}, -1, 1, {}},
                                              {u"b"_qs, u"乙"_qs, {}, 1, 1, {}},
                                              {u"c"_qs, u"丙"_qs, {}, -1, 1, {}},
                                              {u"d"_qs, u"丁"_qs, {}, 2, 1, {}}};
        QStringList names;
        for (const TToolbarCommand& command : ToolbarCandidates(mixed))
            names.append(command.Name);
        QCOMPARE(names, (QStringList{u"a"_qs, u"b"_qs}));
    }

    // What a start builds from the layout file it finds (no file: null).
    void layoutFromTheFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no file") << QByteArray() << DefaultLayout;
        QTest::newRow("empty file") << QByteArray("") << DefaultLayout;
        QTest::newRow("one empty line hides every button") << QByteArray("\r\n") << Placed({});
        QTest::newRow("only separators, none merged or dropped")
            << QByteArray("|\r\n|\r\n|\r\n") << Placed(u"| | |"_qs);
        QTest::newRow("separators at both ends and side by side")
            << QByteArray("|\r\nactPlay\r\n|\r\n|\r\nactStop\r\n|\r\n") << Placed(u"| actPlay | | actStop |"_qs);
        QTest::newRow("another letter case or a blank after the name is no name")
            << QByteArray("actnew\r\nactNew \r\nACTOPEN\r\nactSave\r\n") << Placed(u"actSave"_qs);
        QTest::newRow("a name twice counts once")
            << QByteArray("actPlay\r\n|\r\nactPlay\r\n") << Placed(u"actPlay |"_qs);
        QTest::newRow("a command without picture has no button")
            << QByteArray("actOpenLib\r\nactHelp\r\n") << Placed(u"actHelp"_qs);
        QTest::newRow("help then new") << QByteArray("actHelp\r\nactNew\r\n") << Placed(u"actHelp actNew"_qs);
        QTest::newRow("bare line feeds, no final line end")
            << QByteArray("actHelp\n|\nactNew") << Placed(u"actHelp | actNew"_qs);
        QTest::newRow("hidden buttons may be named too")
            << QByteArray("actCopyLink\r\n|\r\nactSaveAs\r\n") << Placed(u"actCopyLink | actSaveAs"_qs);
    }
    void layoutFromTheFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"winMainbarTool.ini"_qs);
        if (!file.isNull()) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(out.write(file), file.size());
        }
        QCOMPARE(Describe(ReadToolbarLayout(path, ToolbarCandidates(WindowCommands()))), expected);
    }

    // An exit writes the shown items; the next start reads the same layout
    // back, except that a bar with nothing shown comes back as the default.
    void layoutFileWrittenAtExit_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("nextStart");
        QTest::newRow("default") << DefaultLayout
                                 << QByteArray("actNew\r\nactOpen\r\nactSave\r\nactEdit\r\nactMenu\r\n|\r\nactPlay\r\n"
                                               "actStop\r\nactMute\r\n|\r\nactVolume\r\nactLinks\r\n|\r\nactSetup\r\n|"
                                               "\r\nactClub\r\nactHelp\r\n")
                                 // Once a file applies, the hidden buttons stand in front.
                                 << Placed(u"actNew actOpen actSave actEdit actMenu | actPlay actStop actMute | "
                                           u"actVolume actLinks | actSetup | actClub actHelp"_qs);
        QTest::newRow("rearranged") << Placed(u"| actHelp | | actNew |"_qs)
                                    << QByteArray("|\r\nactHelp\r\n|\r\n|\r\nactNew\r\n|\r\n")
                                    << Placed(u"| actHelp | | actNew |"_qs);
        // Hidden separators are not written either.
        QTest::newRow("nothing shown") << (Placed({}) + u" -|"_qs) << QByteArray("") << DefaultLayout;
    }
    void layoutFileWrittenAtExit()
    {
        QFETCH(QString, layout);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, nextStart);
        TToolbarItems items;
        for (const QString& word : layout.split(u' ')) {
            const bool hidden = word.startsWith(u'-');
            const QString name = hidden ? word.mid(1) : word;
            items.append({name == u"|"_qs ? QString() : name, !hidden});
        }
        QCOMPARE(Describe(items), layout);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"winMainbarTool.ini"_qs);
        WriteToolbarLayout(path, items);
        QFile in(path);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(in.readAll(), bytes);
        QCOMPARE(Describe(ReadToolbarLayout(path, ToolbarCandidates(WindowCommands()))), nextStart);
    }

    void buttonTexts_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("buttonCaption");
        QTest::addColumn<QString>("buttonHint");
        const QString pad(QChar(0x3000));
        QTest::newRow("accelerator and dots go") << u"新建(&N)..."_qs << QString() << u"新建"_qs << u"新建"_qs;
        QTest::newRow("odd length is padded") << u"另存为(&A)..."_qs << QString() << u"另存为"_qs << u"另存为"_qs + pad;
        QTest::newRow("the hint is the caption")
            << u"复制流地址(&C)"_qs << u"复制"_qs << u"复制"_qs << u"复制流地址"_qs + pad;
        QTest::newRow("long caption, short hint")
            << u"网络电台听友俱乐部(&C)"_qs << u"听友会"_qs << u"听友会"_qs << u"网络电台听友俱乐部"_qs + pad;
        QTest::newRow("no bracket: whole") << u"播放"_qs << QString() << u"播放"_qs << u"播放"_qs;
        QTest::newRow("bracket first: whole") << u"(无)"_qs << QString() << u"(无)"_qs << u"(无)"_qs + pad;
        QTest::newRow("cut at the first bracket") << u"甲(乙)(丙)"_qs << QString() << u"甲"_qs << u"甲"_qs + pad;
        // One character outside the BMP is one character, not two.
        QTest::newRow("counted in characters")
            << u"\U00020000"_qs << QString() << u"\U00020000"_qs << u"\U00020000"_qs + pad;
    }
    void buttonTexts()
    {
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        QFETCH(QString, buttonCaption);
        QFETCH(QString, buttonHint);
        QCOMPARE(ButtonTexts(caption, hint), (TButtonTexts{buttonCaption, buttonHint}));
    }

    void textOption_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("category");
        QTest::addColumn<TButtonTextStyle>("style");
        QTest::addColumn<int>("bounded");
        QTest::newRow("0") << 0 << QString() << TButtonTextStyle::PictureOnly << 0;
        QTest::newRow("0 with text") << 0 << HasTextCategory << TButtonTextStyle::PictureOnly << 0;
        QTest::newRow("1 without the category: as 0") << 1 << QString() << TButtonTextStyle::PictureOnly << 1;
        QTest::newRow("1 with text") << 1 << HasTextCategory << TButtonTextStyle::PictureAndCaption << 1;
        QTest::newRow("1, category in another case") << 1 << u"cathastext"_qs << TButtonTextStyle::PictureOnly << 1;
        QTest::newRow("2") << 2 << QString() << TButtonTextStyle::CaptionBelow << 2;
        QTest::newRow("above 2 as 2") << 7 << HasTextCategory << TButtonTextStyle::CaptionBelow << 2;
        QTest::newRow("negative as 0") << -1 << HasTextCategory << TButtonTextStyle::PictureOnly << 0;
    }
    void textOption()
    {
        QFETCH(int, option);
        QFETCH(QString, category);
        QFETCH(TButtonTextStyle, style);
        QFETCH(int, bounded);
        QCOMPARE(ButtonTextStyle(option, category), style);
        QCOMPARE(BoundedTextOption(option), bounded);
        // Bounding never changes what the buttons show.
        QCOMPARE(ButtonTextStyle(bounded, category), style);
    }
};

QTEST_GUILESS_MAIN(TestToolbarLayout)
#include "test_toolbar_layout.moc"
