// The command pictures: the program's own drawings render, the desktop
// theme's picture wins where it has the name, and the lookup can be switched off.

#include "vclPictures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage Drawn(const QIcon& icon) { return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32); }

} // namespace

class TestToolbarPictures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A missing SVG engine or resource draws nothing, silently.
    void ownDrawingsRender()
    {
        QCOMPARE(CommandPictureCount(), 15);
        QList<QImage> drawn;
        for (int i = 0; i < CommandPictureCount(); ++i) {
            const QImage image = Drawn(OwnCommandPicture(i));
            QCOMPARE(image.size(), QSize(16, 16));
            int opaque = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    opaque += qAlpha(image.pixel(x, y)) > 128;
            QVERIFY2(opaque > 20 && opaque < 256, qPrintable(CommandPictureName(i)));
            QVERIFY2(!drawn.contains(image), qPrintable(CommandPictureName(i)));
            drawn.append(image);
        }
        QVERIFY(CommandPicture(-1).isNull());
        QVERIFY(CommandPicture(CommandPictureCount()).isNull());
    }

    void themeFirstUnlessSwitchedOff()
    {
        // A theme that has only document-new, drawn as a red square.
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(u"fake/16x16/actions"_qs)));
        QFile index(dir.filePath(u"fake/index.theme"_qs));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=fake\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\nType=Fixed\n");
        index.close();
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(dir.filePath(u"fake/16x16/actions/document-new.png"_qs)));
        const QStringList paths = QIcon::themeSearchPaths();
        const QString theme = QIcon::themeName();
        QIcon::setThemeSearchPaths({dir.path()});
        QIcon::setThemeName(u"fake"_qs);

        QCOMPARE(CommandPictureName(0), u"document-new"_qs);
        QCOMPARE(Drawn(CommandPicture(0)).pixel(8, 8), QColor(Qt::red).rgba());
        QCOMPARE(Drawn(CommandPicture(1)), Drawn(OwnCommandPicture(1)));
        UseThemePictures(false);
        QCOMPARE(Drawn(CommandPicture(0)), Drawn(OwnCommandPicture(0)));
        UseThemePictures(true);

        QIcon::setThemeName(theme);
        QIcon::setThemeSearchPaths(paths);
    }
};

QTEST_MAIN(TestToolbarPictures)
#include "test_toolbar_pictures.moc"
