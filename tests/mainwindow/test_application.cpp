// An exception that escapes an event handler the window does not guard still
// reaches its error box, and the program goes on.

#include "MainWindowFixture.h"
#include "libError.h"
#include "vclApplication.h"

#include <QEvent>

namespace {
// A component whose event handler fails, as a library callback might.
class TFailingObject : public QObject
{
protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw EProgramError(QStringLiteral("磁盘已满"));
        return QObject::event(event);
    }
};
} // namespace

class TestApplication : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void escapedExceptionReachesTheErrorBox()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        auto* app = static_cast<TApplication*>(QCoreApplication::instance());
        app->Window = w;
        TFailingObject failing;
        f.Boxes.Answer(mrOk);
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(f.Boxes.Texts(), QStringList{QStringLiteral("发生未预料的错误:\r\n磁盘已满")});
        QVERIFY(w->isVisible());
        app->Window = nullptr;
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_application.moc"
