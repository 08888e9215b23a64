// Draws the main window for the README: the default station playing through
// scripted engines (no network here), on a real X server (Xvfb) so fonts and
// style are the desktop's own. Usage: shot_main_window OUTPUT.png

#include "MainWindowFixture.h"

#include "ctlRadioPlayer.h"
#include "libRadio.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: shot_main_window OUTPUT.png\n", stderr);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    int result = 1;
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        w->resize(560, 360);
        w->actPlay->trigger();
        if (TFakeWindowsMedia* engine = f.Engines.WindowsMedia) {
            engine->State = IWindowsMediaEngine::wmppsPlaying;
            engine->BitRate = 128000;
            engine->Title = QStringLiteral("新闻和报纸摘要");
        }
        w->ctlPlayer->Poll();
        QTimer::singleShot(500, &app, [&] {
            result = w->grab().save(output) ? 0 : 1;
            QCoreApplication::exit(0);
        });
        app.exec();
        w->actStop->trigger();
    }
    return result;
}
