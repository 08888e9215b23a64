// The real engine factory finds engines installed while the program runs: the
// listener is told an engine is missing, installs it, presses Play again and
// hears the station without a restart. A process of its own, because GStreamer
// here must start without its plug-ins.
#include "StreamServers.h"
#include "ctlRadioPlayer.h"
#include "libEngines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <dlfcn.h>
#include <link.h>
#include <memory>

namespace {

// The file the dynamic loader finds for a library name.
QString LibraryFile(const QByteArray& name)
{
    void* lib = dlopen(name.constData(), RTLD_LAZY | RTLD_LOCAL);
    if (!lib)
        return {};
    link_map* map = nullptr;
    QString path;
    if (dlinfo(lib, RTLD_DI_LINKMAP, &map) == 0 && map)
        path = QFile::decodeName(map->l_name);
    dlclose(lib);
    return path;
}
} // namespace

class TEnginesAppearTest : public QObject
{
    Q_OBJECT
    TStreamServers FServers;
    QTemporaryDir FDir;

private Q_SLOTS:
    void initTestCase()
    {
        try {
            FServers.Start(); // its RTSP server needs the plug-ins: before they go
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        PrepareEngineLocale(); // as main() does once the application object exists
        QVERIFY(FDir.isValid());
        QVERIFY(QDir(FDir.path()).mkpath(QStringLiteral("gst-system")));
        QVERIFY(QDir(FDir.path()).mkpath(QStringLiteral("gst-installed")));
        // Neither engine is there: libmpv at a path still empty, GStreamer
        // with empty plug-in folders and a registry of its own.
        qputenv("KESTREL_LIBMPV", QFile::encodeName(FDir.filePath(QStringLiteral("libmpv.so.2"))));
        qputenv("GST_PLUGIN_SYSTEM_PATH_1_0", QFile::encodeName(FDir.filePath(QStringLiteral("gst-system"))));
        qputenv("GST_PLUGIN_PATH_1_0", QFile::encodeName(FDir.filePath(QStringLiteral("gst-installed"))));
        qputenv("GST_REGISTRY_1_0", QFile::encodeName(FDir.filePath(QStringLiteral("registry.bin"))));
    }

    void installedAfterTheQuestion()
    {
        // The warm-up's negative answers are among those that must not stick.
        for (const TStreamKind kind : {skWindowsMedia, skRealMedia})
            const TEngineWarmUp warmUp(kind);
        const auto factory = CreateSystemEngineFactory();
        TRadioPlayer player(factory.get());
        player.SetVolume(100);
        QList<TStreamKind> missing;
        connect(
            &player, &TRadioPlayer::EngineMissing, this, [&](TStreamKind kind) { missing << kind; },
            Qt::DirectConnection);
        for (const TStreamKind kind : {skWindowsMedia, skRealMedia}) {
            player.Play(FServers.IcecastUrl(), kind);
            QCOMPARE(player.State(), psStopped);
        }
        QCOMPARE(missing.size(), 2);

        // Installing: libmpv appears at its path, GStreamer's plug-ins in its folder.
        const QString libmpv = LibraryFile(QByteArrayLiteral("libmpv.so.2"));
        QVERIFY2(!libmpv.isEmpty(), "libmpv.so.2 is not installed");
        QVERIFY(QFile::link(libmpv, FDir.filePath(QStringLiteral("libmpv.so.2"))));
        const QDir plugins(QStringLiteral(KESTREL_GST_PLUGINS_DIR));
        const QStringList files = plugins.entryList({QStringLiteral("*.so")}, QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& file : files)
            QVERIFY(QFile::link(plugins.filePath(file), FDir.filePath(QStringLiteral("gst-installed/") + file)));

        for (const TStreamKind kind : {skWindowsMedia, skRealMedia}) {
            player.Play(FServers.IcecastUrl(), kind);
            QCOMPARE(missing.size(), 2);
            QTRY_COMPARE_WITH_TIMEOUT(player.State(), psPlaying, 20000);
        }
        player.Stop();
    }
};

QTEST_GUILESS_MAIN(TEnginesAppearTest)
#include "test_engines_appear.moc"
