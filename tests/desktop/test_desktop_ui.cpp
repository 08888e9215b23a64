// The widget side of the desktop services: placements, the main window's
// top-most band and tray behaviour, the real message boxes and Qt's own
// Chinese translations.

#include "TestHome.h"
#include "vclMsgBox.h"
#include "vclShell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
QSize WorkArea() { return QGuiApplication::primaryScreen()->availableGeometry().size(); }

// Runs check on the next message box that opens, then presses button. The
// box is closed whatever check finds, so a failure never leaves the test
// waiting on an open box.
void OnNextBox(std::function<void(QMessageBox*)> check, QMessageBox::StandardButton button)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, check, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        // Generous: a box under the sanitizers may take seconds to open.
        if (!box && ++*tries < 6000)
            return;
        poll->deleteLater();
        poll->stop();
        if (!box) {
            QTest::qFail("no message box opened", __FILE__, __LINE__);
            return;
        }
        check(box);
        if (QAbstractButton* pressed = box->button(button)) {
            pressed->click();
        } else {
            QTest::qFail("the box has not the button to press", __FILE__, __LINE__);
            box->done(QMessageBox::Cancel);
        }
    });
    poll->start(10);
}
} // namespace

class TestDesktopUi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { FHome = std::make_unique<TTestHome>(); }
    void cleanup()
    {
        SetTopMostFlag(false);
        SetTrayIconFlag(false);
        OverrideSystemTrayAvailable(std::nullopt);
        FHome.reset();
    }

    void restorePlacement_data();
    void restorePlacement();
    void placementRoundTrip();
    void maximisedRoundTrip();
    void showMainWindow_data();
    void showMainWindow();
    void trayIcon();
    void topMost();
    void messageBoxes();
    void qtTranslations();

private:
    std::unique_ptr<TTestHome> FHome;
};

void TestDesktopUi::restorePlacement_data()
{
    const QSize area = WorkArea();
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QRect>("expected");
    const int cx = (area.width() - 300) / 2;
    const int cy = (area.height() - 200) / 2;
    QTest::newRow("nothing stored: designed size, centred") << QVariantMap() << QRect(cx, cy, 300, 200);
    QTest::newRow("stored rectangle") << QVariantMap{{u"X"_s, 10}, {u"Y"_s, 20}, {u"W"_s, 400}, {u"H"_s, 250}}
                                      << QRect(10, 20, 400, 250);
    QTest::newRow("X at the work area's width: centred with the stored width")
        << QVariantMap{{u"X"_s, area.width()}, {u"Y"_s, 20}, {u"W"_s, 400}}
        << QRect((area.width() - 400) / 2, 20, 400, 200);
    // cy comes from the height before the stored one is applied.
    QTest::newRow("Y beyond the work area: centred with the height before")
        << QVariantMap{{u"X"_s, 5}, {u"Y"_s, area.height() + 100}, {u"H"_s, 100}} << QRect(5, cy, 300, 100);
    QTest::newRow("negative edges stay") << QVariantMap{{u"X"_s, -40}, {u"Y"_s, -30}} << QRect(-40, -30, 300, 200);
}

void TestDesktopUi::restorePlacement()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QRect, expected);
    TExeRegistry registry;
    QVERIFY(registry.OpenProgramKey(u"winTest"_s));
    for (auto it = stored.constBegin(); it != stored.constEnd(); ++it)
        registry.WriteInteger(it.key(), it.value().toInt());
    registry.CloseKey();

    QWidget form;
    form.setObjectName(u"winTest"_s);
    form.resize(300, 200);
    RestorePlacement(registry, &form);
    QCOMPARE(form.geometry(), expected);
    QVERIFY(!form.isMaximized());
    QVERIFY(!registry.HasOpenKey());
}

void TestDesktopUi::placementRoundTrip()
{
    {
        QWidget form;
        form.setObjectName(u"winTest"_s);
        form.setGeometry(30, 40, 320, 240);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TExeRegistry registry;
        SavePlacement(registry, &form);
    }
    TExeRegistry registry;
    QVERIFY(registry.OpenProgramKey(u"winTest"_s));
    QCOMPARE(registry.ReadBool(u"Maximize"_s, true), false);
    QWidget form;
    form.setObjectName(u"winTest"_s);
    RestorePlacement(registry, &form);
    QCOMPARE(form.geometry(), QRect(30, 40, 320, 240));
}

void TestDesktopUi::maximisedRoundTrip()
{
    {
        QWidget form;
        form.setObjectName(u"winMain"_s);
        form.setGeometry(30, 40, 320, 240);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.showMaximized();
        QTRY_VERIFY(form.isMaximized());
        TExeRegistry registry;
        SavePlacement(registry, &form);
        QVERIFY(registry.OpenProgramKey(u"winMain"_s));
        // The restored rectangle is stored, not the maximised one.
        QCOMPARE(registry.ReadInteger(u"W"_s, 0), 320);
        QCOMPARE(registry.ReadInteger(u"Maximize"_s, 0), 1);
    }
    TExeRegistry registry;
    QWidget form;
    form.setObjectName(u"winMain"_s);
    form.resize(100, 100);
    RestorePlacement(registry, &form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY(form.isMaximized());
    form.showNormal();
    QTRY_COMPARE(form.geometry(), QRect(30, 40, 320, 240));
}

void TestDesktopUi::showMainWindow_data()
{
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("trayFlag");
    QTest::addColumn<bool>("startVisible");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("minimised");
    QTest::newRow("tray on: minimise and hide") << true << true << true << false << false << true;
    QTest::newRow("tray off: only minimise") << true << false << true << false << true << true;
    // Hiding without a tray would leave nothing to bring the window back.
    QTest::newRow("no system tray: never hidden") << false << true << true << false << true << true;
    QTest::newRow("hidden window comes back") << true << true << false << false << true << false;
    QTest::newRow("force on a visible window restores it") << true << true << true << true << true << false;
}

void TestDesktopUi::showMainWindow()
{
    QFETCH(bool, trayAvailable);
    QFETCH(bool, trayFlag);
    QFETCH(bool, startVisible);
    QFETCH(bool, force);
    QFETCH(bool, visible);
    QFETCH(bool, minimised);
    OverrideSystemTrayAvailable(trayAvailable);
    SetTrayIconFlag(trayFlag);

    QWidget window;
    window.resize(200, 100);
    if (startVisible) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (force)
            window.showMinimized();
    }
    ShowMainWindow(force, &window);
    QCOMPARE(window.isVisible(), visible);
    QCOMPARE(window.isMinimized(), minimised);
}

void TestDesktopUi::trayIcon()
{
    QWidget window;
    SetApplicationTitle(u"中国之声 - Kestrel收音机"_s);
    SetTrayIcon(true, &window, true);
    QVERIFY(IsTrayIconOn());
    TTrayIcon* tray = TrayIcon();
    QVERIFY(tray);
    QCOMPARE(tray->Icon()->toolTip(), u"中国之声 - Kestrel收音机"_s);

    SetTrayTip(QString(100, u'台'));
    QCOMPARE(tray->Icon()->toolTip(), QString(63, u'台')); // 126 bytes of GBK: a whole character more is 128

    QSignalSpy left(tray, &TTrayIcon::LeftClicked);
    QSignalSpy menu(tray, &TTrayIcon::ContextMenuRequested);
    Q_EMIT tray->Icon()->activated(QSystemTrayIcon::Trigger);
    Q_EMIT tray->Icon()->activated(QSystemTrayIcon::Context);
    QCOMPARE(left.count(), 1);
    QCOMPARE(menu.count(), 1);

    SetTrayIcon(false, &window, false);
    QVERIFY(!IsTrayIconOn());
    QVERIFY(!tray->Icon()->isVisible());
}

void TestDesktopUi::topMost()
{
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    SetTopMost(true, &window, true);
    QVERIFY(IsTopMost());
    QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(window.isVisible()); // changing the flags must not leave it hidden
    SetTopMost(false, &window, false);
    QVERIFY(!IsTopMost());
    QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
}

void TestDesktopUi::messageBoxes()
{
    TQtMessageBoxes boxes;
    IMessageBoxes* previous = SetMessageBoxes(&boxes);
    SetApplicationTitle(u"Kestrel收音机"_s);

    SetTopMostFlag(true);
    OnNextBox(
        [](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), u"Kestrel收音机"_s);
            QCOMPARE(box->text(), u"第一行\n第二行"_s);
            QCOMPARE(box->icon(), QMessageBox::Information);
            QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
        },
        QMessageBox::No);
    QCOMPARE(AskYesNoCancel(u"第一行\r\n第二行"_s), int(mrNo));

    SetTopMostFlag(false);
    OnNextBox(
        [](QMessageBox* box) {
            QCOMPARE(box->icon(), QMessageBox::Question);
            QVERIFY(!(box->windowFlags() & Qt::WindowStaysOnTopHint));
        },
        QMessageBox::Yes);
    QVERIFY(AskYesNo(u"问题"_s));

    OnNextBox([](QMessageBox* box) { QCOMPARE(box->icon(), QMessageBox::Critical); }, QMessageBox::Ok);
    ShowMessageBox(u"错误"_s, TMsgIcon::Error);

    // A question from another thread is shown here and answered there.
    OnNextBox([](QMessageBox* box) { QCOMPARE(box->text(), u"线程"_s); }, QMessageBox::Yes);
    std::atomic<int> answer{-1};
    std::unique_ptr<QThread> thread(QThread::create([&] { answer = AskYesNo(u"线程"_s) ? 1 : 0; }));
    thread->start();
    QTRY_VERIFY(thread->isFinished());
    QCOMPARE(answer.load(), 1);

    SetMessageBoxes(previous);
}

void TestDesktopUi::qtTranslations()
{
    QVERIFY(LoadQtTranslations(*qApp));
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    const auto plain = [&](QMessageBox::StandardButton which) {
        return box.button(which)->text().remove(u'&').remove(u"(Y)"_s).remove(u"(N)"_s);
    };
    QCOMPARE(plain(QMessageBox::Yes), u"是"_s);
    QCOMPARE(plain(QMessageBox::No), u"否"_s);
    QCOMPARE(plain(QMessageBox::Cancel), u"取消"_s);
}

QTEST_MAIN(TestDesktopUi)
#include "test_desktop_ui.moc"
