// The tray icon as a desktop with a StatusNotifier host sees it: the program
// runs on a real X server with the xcb platform, this test is the watcher and
// host on a private session bus (the test runs under dbus-run-session), and
// reads the icon's tip and menu over D-Bus.

#include "TestHome.h"
#include "TestSupport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The watcher every StatusNotifier tray registers with; it also says a host
// (this test) is present, which is what makes Qt use the D-Bus tray.
class TWatcher final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ Protocol)
public:
    QStringList Items() const { return FItems; }
    bool HostRegistered() const { return true; }
    int Protocol() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        // An item may name its object path instead of its service.
        FItems << (service.startsWith(u'/') ? message.service() + service : service);
        Q_EMIT StatusNotifierItemRegistered(FItems.last());
    }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    QStringList FItems;
};

// One entry of a com.canonical.dbusmenu layout.
struct TMenuEntry
{
    int Id = 0;
    QVariantMap Properties;
    QList<TMenuEntry> Children;
};

const QDBusArgument& operator>>(const QDBusArgument& argument, TMenuEntry& entry)
{
    argument.beginStructure();
    argument >> entry.Id >> entry.Properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        TMenuEntry parsed;
        child.variant().value<QDBusArgument>() >> parsed;
        entry.Children.append(parsed);
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QString Label(const TMenuEntry& entry)
{
    if (entry.Properties.value(u"type"_s).toString() == u"separator"_s)
        return u"|"_s;
    return entry.Properties.value(u"label"_s).toString();
}

// A private X server for the program; its display number is the first free one.
class TXServer
{
public:
    ~TXServer()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            FProcess.waitForFinished(5000);
        }
    }
    QString Start()
    {
        for (int number = 90 + int(QCoreApplication::applicationPid() % 200); number < 400; ++number) {
            if (QFile::exists(u"/tmp/.X%1-lock"_s.arg(number)))
                continue;
            FProcess.start(u"Xvfb"_s,
                           {u":%1"_s.arg(number), u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s, u"800x600x24"_s});
            if (!FProcess.waitForStarted(5000))
                return {};
            const QString socket = u"/tmp/.X11-unix/X%1"_s.arg(number);
            if (QTest::qWaitFor([&] { return QFile::exists(socket) || FProcess.state() == QProcess::NotRunning; },
                                10000)
                && FProcess.state() == QProcess::Running)
                return u":%1"_s.arg(number);
        }
        return {};
    }

private:
    QProcess FProcess;
};

} // namespace

class TestTrayDbus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menuAndTipOverDbus()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY2(bus.isConnected(), "no session bus: run under dbus-run-session");
        TWatcher watcher;
        QVERIFY(bus.registerObject(u"/StatusNotifierWatcher"_s, &watcher,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties
                                       | QDBusConnection::ExportAllSignals));
        QVERIFY(bus.registerService(u"org.kde.StatusNotifierWatcher"_s));

        TXServer x;
        const QString display = x.Start();
        QVERIFY2(!display.isEmpty(), "Xvfb did not start");

        TTestHome home;
        const QString runtime = home.Path() + u"/run"_s;
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString station = home.Path() + u"/托盘台.radio"_s;
        QFile file(station);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(u"<?xml version='1.0' encoding='UTF-8'?><Radio Text='托盘台' Link='0'>"
                   "<Link Text='一' Href='http://127.0.0.1:9/a' Kind='wm'/>"
                   "<Link Text='二' Href='http://127.0.0.1:9/b' Kind='wm'/></Radio>"_s.toUtf8());
        file.close();

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        environment.insert(u"DISPLAY"_s, display);
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        // A desktop of no known kind: Qt's own generic theme decides on the tray.
        environment.remove(u"XDG_CURRENT_DESKTOP"_s);
        environment.remove(u"DESKTOP_SESSION"_s);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(BinaryPath(u"src/mainwindow/kestrel-radio"_s), {station});
        QVERIFY(program.waitForStarted(10000));
        const auto stop = qScopeGuard([&] {
            program.terminate();
            if (!program.waitForFinished(10000))
                program.kill();
        });

        QVERIFY2(QTest::qWaitFor([&] { return !watcher.Items().isEmpty(); }, 20000),
                 "the program registered no StatusNotifier item");
        const QString item = watcher.Items().first();
        const qsizetype slash = item.indexOf(u'/');
        const QString service = slash < 0 ? item : item.left(slash);
        const QString path = slash < 0 ? u"/StatusNotifierItem"_s : item.mid(slash);

        QDBusInterface properties(service, path, u"org.freedesktop.DBus.Properties"_s, bus);
        const QDBusMessage menuReply = properties.call(u"Get"_s, u"org.kde.StatusNotifierItem"_s, u"Menu"_s);
        QCOMPARE(menuReply.type(), QDBusMessage::ReplyMessage);
        const QString menuPath =
            qvariant_cast<QDBusObjectPath>(qvariant_cast<QDBusVariant>(menuReply.arguments().first()).variant()).path();
        QVERIFY(!menuPath.isEmpty());

        // The tip is the window caption while nothing plays.
        const QDBusMessage tipReply = properties.call(u"Get"_s, u"org.kde.StatusNotifierItem"_s, u"ToolTip"_s);
        QCOMPARE(tipReply.type(), QDBusMessage::ReplyMessage);
        const QDBusArgument tip =
            qvariant_cast<QDBusArgument>(qvariant_cast<QDBusVariant>(tipReply.arguments().first()).variant());
        QString iconName, title, text;
        tip.beginStructure();
        tip >> iconName;
        tip.beginArray();
        while (!tip.atEnd()) {
            tip.beginStructure();
            int width = 0, height = 0;
            QByteArray pixels;
            tip >> width >> height >> pixels;
            tip.endStructure();
        }
        tip.endArray();
        tip >> title >> text;
        tip.endStructure();
        QVERIFY2((title + text).contains(u"托盘台 - Kestrel收音机"_s), qPrintable(title + u" / "_s + text));

        QDBusInterface menu(service, menuPath, u"com.canonical.dbusmenu"_s, bus);
        QDBusMessage layoutReply;
        // The menu's items appear once the program has built them.
        QStringList labels;
        bool shortcutShown = false;
        // A host asks before it shows the menu.
        menu.call(u"AboutToShow"_s, 0);
        QVERIFY(QTest::qWaitFor(
            [&] {
                layoutReply = menu.call(u"GetLayout"_s, 0, -1, QStringList());
                if (layoutReply.type() != QDBusMessage::ReplyMessage || layoutReply.arguments().size() < 2)
                    return false;
                TMenuEntry root;
                qvariant_cast<QDBusArgument>(layoutReply.arguments().at(1)) >> root;
                labels.clear();
                for (const TMenuEntry& entry : root.Children) {
                    labels << Label(entry);
                    shortcutShown = shortcutShown || entry.Properties.contains(u"shortcut"_s);
                }
                return labels.size() >= 11;
            },
            10000));
        QVERIFY(!shortcutShown);
        // dbusmenu marks the mnemonic with "_".
        QCOMPARE(labels,
                 (QStringList{u"最近打开过的文件(_F)"_s, u"打开(_O)..."_s, u"|"_s, u"托盘台"_s, u"|"_s, u"播放(_P)"_s,
                              u"停止(_S)"_s, u"静音(_M)"_s, u"|"_s, u"打开收音机主窗口(_O)"_s, u"退出(_X)"_s}));
    }
};

QTEST_GUILESS_MAIN(TestTrayDbus)
#include "test_tray_dbus.moc"
