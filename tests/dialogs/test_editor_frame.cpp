// What both editors share: the grip in the window's bottom-right corner, a
// frame without minimise and maximise, and a name for every control that a
// screen reader can speak.

#include "FakeMessageBoxes.h"
#include "TestHome.h"
#include "libRadio.h"
#include "libRegistry.h"
#include "vclEditors.h"
#include "vclGrip.h"
#include "vclLink.h"
#include "vclRadio.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

using TMakeEditor = std::function<std::unique_ptr<QDialog>()>;
Q_DECLARE_METATYPE(TMakeEditor)

class TestEditorFrame : public QObject
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
        FRadio.Links().Clear();
        FBoxes.reset();
        FHome.reset();
    }

    void loopEndedFromOutsideIsCancel();
    void frame_data();
    void frame();
    void gripFollowsCorner_data() { frame_data(); }
    void gripFollowsCorner();
    void disabledGrip();
    void damagedPlacement_data() { frame_data(); }
    void damagedPlacement();
    void accessibleNames_data() { frame_data(); }
    void accessibleNames();

private:
    std::unique_ptr<TTestHome> FHome;
    std::unique_ptr<TFakeMessageBoxes> FBoxes;
    TRadio FRadio;
};

void TestEditorFrame::frame_data()
{
    QTest::addColumn<TMakeEditor>("make");
    QTest::addColumn<QString>("name");
    QTest::newRow("link") << TMakeEditor([this] { return std::make_unique<TwinLink>(nullptr, FRadio.Links().Add()); })
                          << u"winLink"_s;
    QTest::newRow("station") << TMakeEditor([this] { return std::make_unique<TwinRadio>(nullptr, &FRadio); })
                             << u"winRadio"_s;
}

void TestEditorFrame::frame()
{
    QFETCH(TMakeEditor, make);
    const std::unique_ptr<QDialog> form = make();
    QTEST(form->objectName(), "name");
    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint)));
    // Only the width is free below the size it opened with.
    QCOMPARE(form->minimumHeight(), form->height());
    QVERIFY(form->width() >= 440);
}

void TestEditorFrame::gripFollowsCorner()
{
    QFETCH(TMakeEditor, make);
    const std::unique_ptr<QDialog> form = make();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    auto* grip = form->findChild<TSizeGrip*>(u"ctlSizeGrip"_s);
    QVERIFY(grip);
    QCOMPARE(grip->TargetControl(), form.get());

    for (const QSize& size : {form->size(), form->size() + QSize(130, 60)}) {
        form->resize(size);
        QTRY_COMPARE(form->size(), size);
        const QRect rect = grip->GripRect();
        QVERIFY(grip->isVisible());
        QCOMPARE(rect.bottomRight(), form->rect().bottomRight());
        QVERIFY(rect.width() >= 12 && rect.height() >= 12);
        // Nothing covers the grip.
        QCOMPARE(form->childAt(rect.center()), grip);
    }
}

void TestEditorFrame::disabledGrip()
{
    TwinLink form(nullptr, FRadio.Links().Add());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.ctlSizeGrip->SetEnabled(false);
    QVERIFY(!form.ctlSizeGrip->isVisible());
    QVERIFY(form.ctlSizeGrip->GripRect().isEmpty());
    form.ctlSizeGrip->SetEnabled(true);
    QVERIFY(form.ctlSizeGrip->isVisible());
    QCOMPARE(form.ctlSizeGrip->GripRect().bottomRight(), form.rect().bottomRight());
}

void TestEditorFrame::damagedPlacement()
{
    QFETCH(TMakeEditor, make);
    QFETCH(QString, name);
    {
        TExeRegistry registry;
        QVERIFY(registry.OpenProgramKey(name));
        registry.WriteString(u"W"_s, u"宽"_s);
    }
    // A broken placement must not keep the user out of the editor.
    const std::unique_ptr<QDialog> form = make();
    QVERIFY(form->width() >= 440);
}

void TestEditorFrame::accessibleNames()
{
    QFETCH(TMakeEditor, make);
    const std::unique_ptr<QDialog> form = make();
    int controls = 0;
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget)
                             || qobject_cast<QAbstractButton*>(widget) || qobject_cast<QSizeGrip*>(widget);
        // An editable combo box's own edit is spoken as the combo box.
        if (!control || qobject_cast<QComboBox*>(widget->parentWidget()))
            continue;
        ++controls;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(widget->objectName()));
    }
    QVERIFY(controls >= 8);
}

// A stop signal ends every event loop, the editor's too: what was typed is
// not taken as the user's OK.
void TestEditorFrame::loopEndedFromOutsideIsCancel()
{
    TDialogEditors editors;
    // As in the program: the editor opens from the main loop, and the stop
    // ends both.
    const auto editThenStop = [](const std::function<int()>& edit) {
        int result = -1;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [] {
                // The loops end whatever is found, so a failure cannot hang.
                QWidget* editor = QApplication::activeModalWidget();
                QLineEdit* name = editor ? editor->findChild<QLineEdit*>(u"edtText"_s) : nullptr;
                if (name)
                    name->setText(u"改过的名字"_s);
                else
                    QTest::qFail("no editor opened", __FILE__, __LINE__);
                QCoreApplication::exit(0);
            });
            result = edit();
        });
        QCoreApplication::exec();
        return result;
    };
    TRadioLink* link = FRadio.Links().Add();
    link->SetHref(u"mms://127.0.0.1/a"_s);
    QCOMPARE(editThenStop([&] { return editors.EditLink(nullptr, link); }), int(mrCancel));
    QCOMPARE(link->Text(), QString());
    QCOMPARE(editThenStop([&] { return editors.EditRadio(nullptr, &FRadio); }), int(mrCancel));
    QCOMPARE(FRadio.Text(), QString());
}

QTEST_MAIN(TestEditorFrame)
#include "test_editor_frame.moc"
