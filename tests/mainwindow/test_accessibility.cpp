// Every control a user can reach carries a name a screen reader can speak:
// its own text, a label that is its buddy, or an explicit accessible name;
// and so does every menu item.

#include "MainWindowFixture.h"

#include "libRadio.h"
#include "vclAbout.h"
#include "vclLink.h"
#include "vclRadio.h"
#include "vclSearch.h"
#include "vclToolbar.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace {

// The controls of form that take the keyboard focus and have no name.
QStringList Unnamed(QWidget* form)
{
    QStringList unnamed;
    for (QWidget* control : form->findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(form))
            continue;
        // A combo box's own editor and a scroll area's viewport speak for the
        // control that holds them.
        if (qobject_cast<QComboBox*>(control->parentWidget()) || control->objectName() == u"qt_scrollarea_viewport")
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(control->objectName(),
                                                     QString::fromLatin1(control->metaObject()->className()));
    }
    return unnamed;
}

// The items of every menu of form that a screen reader would read as empty.
QStringList UnnamedMenuItems(QWidget* form)
{
    QStringList unnamed;
    for (QMenu* menu : form->findChildren<QMenu*>()) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu);
        for (int i = 0; accessible && i < accessible->childCount(); ++i) {
            QAccessibleInterface* item = accessible->child(i);
            if (item->role() != QAccessible::Separator && item->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << QStringLiteral("%1[%2]").arg(menu->objectName()).arg(i);
        }
    }
    return unnamed;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyControlHasAName();
    void everyMenuItemHasAName();
};

void TestAccessibility::everyControlHasAName()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    w->ShowPanel(0);
    QCOMPARE(Unnamed(w).join(u','), QString());
    w->ShowPanel(1);
    QCOMPARE(Unnamed(w).join(u','), QString());

    TRadioLink* link = w->Radio()->Links().Items(0);
    TwinLink linkEditor(w, link);
    linkEditor.show();
    QCOMPARE(Unnamed(&linkEditor).join(u','), QString());
    linkEditor.reject();

    TRadio radio;
    TwinRadio radioEditor(w, &radio);
    radioEditor.show();
    QCOMPARE(Unnamed(&radioEditor).join(u','), QString());
    radioEditor.reject();

    TwinToolbar customise(w, w->actList, w->barTool);
    customise.show();
    QCOMPARE(Unnamed(&customise).join(u','), QString());
    customise.reject();

    TwinAbout about(w, w->actHelp);
    about.show();
    QCOMPARE(Unnamed(&about).join(u','), QString());
    about.reject();

    TFixedDirectoryServers none({});
    TDirectorySetup setup;
    setup.Servers = &none;
    TwinSearch search(w, w, setup);
    search.show();
    QCOMPARE(Unnamed(&search).join(u','), QString());
    search.close();
}

void TestAccessibility::everyMenuItemHasAName()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    // The menus that fill themselves when they open.
    for (QMenu* menu : w->findChildren<QMenu*>())
        Q_EMIT menu->aboutToShow();
    QVERIFY(w->findChildren<QMenu*>().size() > 10);
    QCOMPARE(UnnamedMenuItems(w).join(u','), QString());
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
