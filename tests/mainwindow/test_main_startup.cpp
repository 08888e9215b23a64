// Start-up and shutdown of the main window: preferences, the first station,
// and a shutdown that keeps going when one of its steps fails.

#include "MainWindowFixture.h"

#include "libRadio.h"
#include "libShell.h"

#include <QAction>
#include <QSlider>
#include <QStackedWidget>
#include <QTreeWidget>

class TestMainStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstRunOpensTheDefaultStation();
};

void TestMainStartup::firstRunOpensTheDefaultStation()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    QVERIFY(w->Radio());
    QCOMPARE(w->FileName(), DefaultStationFile());
    QCOMPARE(w->windowTitle(), w->Radio()->DisplayText() + QStringLiteral(" - Kestrel收音机"));
    QCOMPARE(w->barPlayer->value(), 88);
    QVERIFY(w->boxClient->currentWidget() == w->boxLinks);
}

QTEST_MAIN(TestMainStartup)
#include "test_main_startup.moc"
