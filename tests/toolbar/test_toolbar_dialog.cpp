// The tool bar on a QToolBar and its customisation dialog, offscreen: adding,
// removing, moving, separators, drops, the enabling rules, reset and the text
// option, each seen on the bar at once.

#include "TestHome.h"
#include "libRegistry.h"
#include "vclToolbar.h"
#include "vclToolbarBuild.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFile>
#include <QMainWindow>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

// A form with five commands: 甲 shown, 乙 hidden, 丙 after a separator, 丁
// shown with its caption under option 1, 戊 without a picture.
struct TBarFixture
{
    TTestHome Home;
    QMainWindow Form;
    QToolBar* Bar = nullptr;
    QList<QAction*> Commands;

    TBarFixture()
    {
        Form.setObjectName(u"winMain"_qs);
        Bar = Form.addToolBar(u"标准按钮"_qs);
        Bar->setObjectName(u"barTool"_qs);
        Command("actA", u"甲(&A)", 0, 1);
        Command("actB", u"乙(&B)", 1, 0);
        Command("actC", u"丙(&C)", 2, -1);
        Command("actD", u"丁(&D)", 3, 1)->setProperty("category", HasTextCategory);
        Command("actE", u"戊(&E)", -1, 1);
        BuildToolbar(Bar, Commands);
    }

    QAction* Command(const char* name, const char16_t* caption, int picture, int tag)
    {
        auto* command = new QAction(QString::fromUtf16(caption), &Form);
        command->setObjectName(QString::fromLatin1(name));
        command->setProperty("picture", picture);
        command->setProperty("tag", tag);
        if (picture >= 0)
            command->setIcon(QIcon(u":/pictures/document-new.svg"_qs));
        Commands.append(command);
        return command;
    }

    // The bar's items in order: captions, "|" for a separator, "-" in front of a hidden one.
    QString BarText() const
    {
        QStringList words;
        const QList<QAction*> items = Bar->actions();
        for (const QAction* item : items)
            words.append((item->isVisible() ? QString() : u"-"_qs)
                         + (item->isSeparator() ? u"|"_qs : item->iconText()));
        return words.join(u' ');
    }

    QToolButton* Button(const QString& name) const
    {
        return qobject_cast<QToolButton*>(Bar->widgetForAction(Bar->findChild<QAction*>(name)));
    }
};

// A list's captions, the selected one in brackets.
QString ListText(const QListWidget* list)
{
    QStringList words;
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* entry = list->item(i);
        words.append(entry->isSelected() ? u'[' + entry->text() + u']' : entry->text());
    }
    return words.join(u' ');
}

// The dialog's enabled list buttons.
QString EnabledButtons(const TwinToolbar& dialog)
{
    QStringList names;
    for (const QPushButton* button : {dialog.btnSelect, dialog.btnDelete, dialog.btnUp, dialog.btnDn})
        if (button->isEnabled())
            names.append(button->objectName());
    return names.join(u' ');
}

QPoint RowCentre(const QListWidget* list, int row) { return list->visualItemRect(list->item(row)).center(); }

// Runs a script of user steps on the dialog: "hide:N", "show:N" select an entry,
// "add", "remove", "up", "down" click a button, "dblhide", "dblshow" double-click
// the selected entry, "drop:show:N|end|below:from-hide|from-show" and
// "drop:hide" drop what is selected in the other list.
void Run(TwinToolbar& dialog, const QString& script)
{
    for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList part = step.split(u':');
        if (part[0] == u"hide"_qs || part[0] == u"show"_qs) {
            QListWidget* list = part[0] == u"hide"_qs ? dialog.boxHide : dialog.boxShow;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCentre(list, part[1].toInt()));
        } else if (part[0] == u"add"_qs) {
            QTest::mouseClick(dialog.btnSelect, Qt::LeftButton);
        } else if (part[0] == u"remove"_qs) {
            QTest::mouseClick(dialog.btnDelete, Qt::LeftButton);
        } else if (part[0] == u"up"_qs) {
            QTest::mouseClick(dialog.btnUp, Qt::LeftButton);
        } else if (part[0] == u"down"_qs) {
            QTest::mouseClick(dialog.btnDn, Qt::LeftButton);
        } else if (part[0] == u"dblhide"_qs || part[0] == u"dblshow"_qs) {
            QListWidget* list = part[0] == u"dblhide"_qs ? dialog.boxHide : dialog.boxShow;
            const QListWidgetItem* entry = TwinToolbar::SelectedEntry(list);
            QVERIFY(entry);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(entry).center());
        } else if (part[0] == u"drop"_qs && part[1] == u"hide"_qs) {
            dialog.boxDragDrop(dialog.boxHide, dialog.boxShow, RowCentre(dialog.boxHide, 0));
        } else if (part[0] == u"drop"_qs) {
            QListWidget* show = dialog.boxShow;
            const QPoint pos = part[2] == u"end"_qs     ? RowCentre(show, show->count() - 1)
                               : part[2] == u"below"_qs ? QPoint(10, show->viewport()->height() - 2)
                                                        : RowCentre(show, part[2].toInt());
            const QObject* source = part[3] == u"from-hide"_qs ? dialog.boxHide : dialog.boxShow;
            dialog.boxDragDrop(show, source, pos);
        } else {
            QFAIL(qPrintable(u"unknown step "_qs + step));
        }
    }
}

} // namespace

class TestToolbarDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buildNamesButtonsAndKeepsHiddenOnes()
    {
        TBarFixture f;
        QCOMPARE(f.BarText(), u"甲 -乙 | 丙 丁"_qs);
        const QAction* b = f.Bar->findChild<QAction*>(u"btnactB"_qs);
        QVERIFY(b);
        QCOMPARE(ButtonCommand(b), f.Commands[1]);
        // Hiding the button leaves the command's menu item alone.
        QVERIFY(!b->isVisible());
        QVERIFY(f.Commands[1]->isVisible());
        QVERIFY(!f.Bar->findChild<QAction*>(u"btnactE"_qs));
        QCOMPARE(f.Bar->findChild<QAction*>(u"btnactA"_qs)->toolTip(), u"甲"_qs + QChar(0x3000));
    }

    void buttonsFollowTheirCommands()
    {
        TBarFixture f;
        QAction* a = f.Commands[0];
        QAction* d = f.Commands[3];
        auto* group = new QActionGroup(&f.Form);
        for (QAction* command : {a, d}) {
            command->setCheckable(true);
            group->addAction(command);
        }
        a->setChecked(true);
        f.Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.Form));
        QToolButton* buttonA = f.Button(u"btnactA"_qs);
        QToolButton* buttonD = f.Button(u"btnactD"_qs);
        QVERIFY(buttonA->isChecked());

        int triggered = 0;
        QObject::connect(d, &QAction::triggered, [&] { ++triggered; });
        QTest::mouseClick(buttonD, Qt::LeftButton);
        QCOMPARE(triggered, 1);
        QVERIFY(d->isChecked());
        QVERIFY(buttonD->isChecked());
        QVERIFY(!buttonA->isChecked());
        // A click on the panel that is on keeps it on, on the button too.
        QTest::mouseClick(buttonD, Qt::LeftButton);
        QVERIFY(d->isChecked());
        QVERIFY(buttonD->isChecked());

        d->setEnabled(false);
        QVERIFY(!buttonD->isEnabled());
        QTest::mouseClick(buttonD, Qt::LeftButton);
        QCOMPARE(triggered, 2);
    }

    void savedLayoutComesBack()
    {
        TBarFixture f;
        const QString file = ToolbarLayoutFile(f.Bar);
        QCOMPARE(file, ComponentFilePath(u"winMain"_qs, u"barTool"_qs));
        {
            TwinToolbar dialog(&f.Form, f.Commands, f.Bar);
            // Up puts 丁 before 丙; Add puts 乙 before the entry just moved.
            Run(dialog, u"show:3 up hide:1 add"_qs);
        }
        QCOMPARE(f.BarText(), u"甲 | 乙 丁 丙"_qs);
        SaveToolbar(f.Bar);
        BuildToolbar(f.Bar, f.Commands);
        QCOMPARE(f.BarText(), u"甲 | 乙 丁 丙"_qs);
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(in.readAll(), QByteArray("actA\r\n|\r\nactB\r\nactD\r\nactC\r\n"));
    }

    void operations_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("hide");
        QTest::addColumn<QString>("show");
        QTest::addColumn<QString>("enabled");
        const QString all = u"btnSelect btnDelete btnUp btnDn"_qs;
        QTest::newRow("as opened") << u""_qs << u"甲 -乙 | 丙 丁"_qs << u"[分隔符] 乙"_qs
                                   << u"甲 分隔符 丙 丁 [分隔符]"_qs << u"btnSelect"_qs;
        QTest::newRow("the first cannot move up") << u"show:0"_qs << u"甲 -乙 | 丙 丁"_qs << u"[分隔符] 乙"_qs
                                                  << u"[甲] 分隔符 丙 丁 分隔符"_qs << u"btnSelect btnDelete btnDn"_qs;
        QTest::newRow("the last cannot move down") << u"show:3"_qs << u"甲 -乙 | 丙 丁"_qs << u"[分隔符] 乙"_qs
                                                   << u"甲 分隔符 丙 [丁] 分隔符"_qs << u"btnSelect btnDelete btnUp"_qs;
        QTest::newRow("add before the selected entry")
            << u"show:2 hide:1 add"_qs << u"甲 | 乙 丙 丁"_qs << u"分隔符"_qs << u"甲 分隔符 [乙] 丙 丁 分隔符"_qs
            << u"btnDelete btnUp btnDn"_qs;
        // The last hidden button taken leaves nothing selected; Add then does nothing.
        QTest::newRow("add at the end marker appends, once")
            << u"hide:1 add add"_qs << u"甲 | 丙 丁 乙"_qs << u"分隔符"_qs << u"甲 分隔符 丙 丁 [乙] 分隔符"_qs
            << u"btnDelete btnUp"_qs;
        QTest::newRow("the separator source twice")
            << u"show:0 hide:0 add add"_qs << u"| | 甲 -乙 | 丙 丁"_qs << u"[分隔符] 乙"_qs
            << u"[分隔符] 分隔符 甲 分隔符 丙 丁 分隔符"_qs << u"btnSelect btnDelete btnDn"_qs;
        QTest::newRow("a removed button goes back hidden")
            << u"show:0 remove"_qs << u"-甲 -乙 | 丙 丁"_qs << u"分隔符 乙 [甲]"_qs << u"[分隔符] 丙 丁 分隔符"_qs
            << u"btnSelect btnDelete btnDn"_qs;
        QTest::newRow("a removed separator is gone")
            << u"show:1 remove"_qs << u"甲 -乙 丙 丁"_qs << u"[分隔符] 乙"_qs << u"甲 [丙] 丁 分隔符"_qs << all;
        QTest::newRow("everything removed, then add appends")
            << u"show:0 remove remove remove remove hide:0 add"_qs << u"-甲 -乙 -丙 -丁 |"_qs
            << u"[分隔符] 乙 甲 丙 丁"_qs << u"[分隔符] 分隔符"_qs << u"btnSelect btnDelete"_qs;
        QTest::newRow("the end marker stays") << u"remove dblshow"_qs << u"甲 -乙 | 丙 丁"_qs << u"[分隔符] 乙"_qs
                                              << u"甲 分隔符 丙 丁 [分隔符]"_qs << u"btnSelect"_qs;
        QTest::newRow("double clicks add and remove")
            << u"hide:1 dblhide show:0 dblshow"_qs << u"-甲 | 丙 丁 乙"_qs << u"分隔符 [甲]"_qs
            << u"[分隔符] 丙 丁 乙 分隔符"_qs << u"btnSelect btnDelete btnDn"_qs;
        QTest::newRow("up") << u"show:2 up"_qs << u"甲 -乙 丙 | 丁"_qs << u"[分隔符] 乙"_qs
                            << u"甲 [丙] 分隔符 丁 分隔符"_qs << all;
        QTest::newRow("down") << u"show:0 down"_qs << u"-乙 | 甲 丙 丁"_qs << u"[分隔符] 乙"_qs
                              << u"分隔符 [甲] 丙 丁 分隔符"_qs << all;
        QTest::newRow("down to the end") << u"show:2 down"_qs << u"甲 -乙 | 丁 丙"_qs << u"[分隔符] 乙"_qs
                                         << u"甲 分隔符 丁 [丙] 分隔符"_qs << u"btnSelect btnDelete btnUp"_qs;
        QTest::newRow("drop on the end marker")
            << u"show:0 drop:show:end:from-show"_qs << u"-乙 | 丙 丁 甲"_qs << u"[分隔符] 乙"_qs
            << u"分隔符 丙 丁 [甲] 分隔符"_qs << u"btnSelect btnDelete btnUp"_qs;
        QTest::newRow("drop below the entries")
            << u"show:0 drop:show:below:from-show"_qs << u"-乙 | 丙 丁 甲"_qs << u"[分隔符] 乙"_qs
            << u"分隔符 丙 丁 [甲] 分隔符"_qs << u"btnSelect btnDelete btnUp"_qs;
        QTest::newRow("drop on itself") << u"show:2 drop:show:2:from-show"_qs << u"甲 -乙 | 丙 丁"_qs
                                        << u"[分隔符] 乙"_qs << u"甲 分隔符 [丙] 丁 分隔符"_qs << all;
        QTest::newRow("drop in front") << u"show:3 drop:show:0:from-show"_qs << u"丁 甲 -乙 | 丙"_qs
                                       << u"[分隔符] 乙"_qs << u"[丁] 甲 分隔符 丙 分隔符"_qs
                                       << u"btnSelect btnDelete btnDn"_qs;
        QTest::newRow("the end marker is not dragged")
            << u"drop:show:0:from-show drop:hide"_qs << u"甲 -乙 | 丙 丁"_qs << u"[分隔符] 乙"_qs
            << u"甲 分隔符 丙 丁 [分隔符]"_qs << u"btnSelect"_qs;
        QTest::newRow("drop from the available buttons")
            << u"hide:1 drop:show:1:from-hide"_qs << u"甲 乙 | 丙 丁"_qs << u"分隔符"_qs
            << u"甲 [乙] 分隔符 丙 丁 分隔符"_qs << u"btnDelete btnUp btnDn"_qs;
        QTest::newRow("drop back to the available buttons")
            << u"show:2 drop:hide"_qs << u"甲 -乙 | -丙 丁"_qs << u"分隔符 乙 [丙]"_qs << u"甲 分隔符 [丁] 分隔符"_qs
            << u"btnSelect btnDelete btnUp"_qs;
    }
    void operations()
    {
        QFETCH(QString, script);
        QFETCH(QString, bar);
        QFETCH(QString, hide);
        QFETCH(QString, show);
        QFETCH(QString, enabled);
        TBarFixture f;
        TwinToolbar dialog(&f.Form, f.Commands, f.Bar);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Run(dialog, script);
        QCOMPARE(f.BarText(), bar);
        QCOMPARE(ListText(dialog.boxHide), hide);
        QCOMPARE(ListText(dialog.boxShow), show);
        QCOMPARE(EnabledButtons(dialog), enabled);
        // The next opening finds the bar as this one left it.
        TwinToolbar again(&f.Form, f.Commands, f.Bar);
        QCOMPARE(ListText(again.boxShow).remove(u'[').remove(u']'), QString(show).remove(u'[').remove(u']'));
    }

    void dragsAccepted()
    {
        TBarFixture f;
        TwinToolbar dialog(&f.Form, f.Commands, f.Bar);
        // With the end marker selected only the available buttons may be dragged over.
        QVERIFY(dialog.boxDragOver(dialog.boxShow, dialog.boxHide));
        QVERIFY(!dialog.boxDragOver(dialog.boxShow, dialog.boxShow));
        QVERIFY(!dialog.boxDragOver(dialog.boxHide, dialog.boxShow));
        QVERIFY(!dialog.boxDragOver(dialog.boxHide, dialog.boxHide));
        QVERIFY(!dialog.boxDragOver(dialog.boxShow, &f.Form));
        dialog.boxShow->setCurrentRow(0);
        QVERIFY(dialog.boxDragOver(dialog.boxShow, dialog.boxShow));
        QVERIFY(dialog.boxDragOver(dialog.boxHide, dialog.boxShow));
        // Dragging needs the mouse on an entry that is not the end marker.
        QVERIFY(dialog.boxShow->item(0)->flags() & Qt::ItemIsDragEnabled);
        QVERIFY(!(dialog.boxShow->item(dialog.boxShow->count() - 1)->flags() & Qt::ItemIsDragEnabled));
    }

    void hiddenSeparatorsAreDiscarded()
    {
        TBarFixture f;
        QAction* separator = NewToolbarSeparator(f.Bar);
        separator->setVisible(false);
        f.Bar->insertAction(f.Bar->actions().first(), separator);
        QCOMPARE(f.BarText(), u"-| 甲 -乙 | 丙 丁"_qs);
        TwinToolbar dialog(&f.Form, f.Commands, f.Bar);
        QCOMPARE(f.BarText(), u"甲 -乙 | 丙 丁"_qs);
        QCOMPARE(ListText(dialog.boxHide), u"[分隔符] 乙"_qs);
    }

    // Option 1 shows the captions only of the commands that ask for it.
    void textOptionActsAtOnce()
    {
        TBarFixture f;
        f.Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.Form));
        QCOMPARE(ToolbarTextOption(f.Bar), 1);
        TwinToolbar dialog(&f.Form, f.Commands, f.Bar);
        QCOMPARE(dialog.cboText->count(), 3);
        QCOMPARE(dialog.cboText->currentText(), u"选择性的将文字置于右侧"_qs);
        const QSize pictureOnly = f.Button(u"btnactA"_qs)->sizeHint();
        QVERIFY(f.Button(u"btnactD"_qs)->sizeHint().width() > pictureOnly.width());

        QTest::keyClick(dialog.cboText, Qt::Key_Down);
        QCOMPARE(ToolbarTextOption(f.Bar), 2);
        QCOMPARE(f.Button(u"btnactA"_qs)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY(f.Button(u"btnactA"_qs)->sizeHint().height() > pictureOnly.height());

        QTest::keyClick(dialog.cboText, Qt::Key_Home);
        QCOMPARE(ToolbarTextOption(f.Bar), 0);
        QCOMPARE(f.Button(u"btnactA"_qs)->sizeHint(), pictureOnly);
        QCOMPARE(f.Button(u"btnactD"_qs)->sizeHint().width(), pictureOnly.width());
        // A button put back on the bar keeps the option.
        Run(dialog, u"show:3 up"_qs);
        QCOMPARE(f.Button(u"btnactD"_qs)->sizeHint().width(), pictureOnly.width());
    }

    void resetGoesBackToTheDefault()
    {
        TBarFixture f;
        TwinToolbar dialog(&f.Form, f.Commands, f.Bar);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Run(dialog, u"show:0 remove show:0 remove hide:2 add"_qs);
        QTest::keyClick(dialog.cboText, Qt::Key_End);
        SaveToolbar(f.Bar);
        const QString file = ToolbarLayoutFile(f.Bar);
        QVERIFY(QFile::exists(file));

        QTest::mouseClick(dialog.btnReset, Qt::LeftButton);
        QCOMPARE(f.BarText(), u"甲 -乙 | 丙 丁"_qs);
        QCOMPARE(ToolbarTextOption(f.Bar), 0);
        QCOMPARE(dialog.cboText->currentText(), u"无文字标签"_qs);
        QCOMPARE(ListText(dialog.boxHide), u"[分隔符] 乙"_qs);
        QCOMPARE(ListText(dialog.boxShow), u"甲 分隔符 丙 丁 [分隔符]"_qs);
        QVERIFY(!QFile::exists(file));
        QCOMPARE(EnabledButtons(dialog), u"btnSelect"_qs);
    }

    void placementKeptUnderItsName()
    {
        TBarFixture f;
        QPoint where;
        {
            TwinToolbar dialog(&f.Form, f.Commands, f.Bar);
            QCOMPARE(dialog.windowTitle(), u"自定义工具栏"_qs);
            dialog.move(40, 30);
            where = dialog.pos();
        }
        QSettings settings(f.Home.ConfigFile(), TExeRegistry::Format());
        QVERIFY(settings.childGroups().contains(u"winToolbar"_qs));
        TwinToolbar again(&f.Form, f.Commands, f.Bar);
        QCOMPARE(again.pos(), where);
    }
};

QTEST_MAIN(TestToolbarDialog)
#include "test_toolbar_dialog.moc"
