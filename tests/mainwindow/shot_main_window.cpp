// Draws the main window for the README: the default station playing through
// scripted engines (no network here), on a real X server (Xvfb) so fonts and
// style are the desktop's own.
// Usage: shot_main_window OUTPUT.png [--text-option N] [--icon-theme NAME | --own-pictures] [--theme NAME]
//                        [--menu NAME | --dialog COMMAND]
//   --text-option N   the tool bar's text option, as the BarText preference
//   --icon-theme NAME the desktop icon theme the pictures come from
//   --own-pictures    the program's own pictures, whatever the theme has
//   --theme NAME      the program's theme, as the Theme preference
//   --menu NAME       the window with that menu of the menu bar open
//   --dialog COMMAND  the dialog that command opens (actCust, actSetup, actAbout) instead of the window

#include "MainWindowFixture.h"

#include "ctlRadioPlayer.h"
#include "libRadio.h"
#include "vclPictures.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolBar>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString output;
    int textOption = -1;
    bool usage = false;
    QString dialogCommand;
    QString theme;
    QString menu;
    for (qsizetype i = 0; i < args.size() && !usage; ++i) {
        if (args[i] == u"--text-option"_qs && i + 1 < args.size())
            textOption = args[++i].toInt();
        else if (args[i] == u"--icon-theme"_qs && i + 1 < args.size())
            QIcon::setThemeName(args[++i]);
        else if (args[i] == u"--own-pictures"_qs)
            UseThemePictures(false);
        else if (args[i] == u"--dialog"_qs && i + 1 < args.size())
            dialogCommand = args[++i];
        else if (args[i] == u"--theme"_qs && i + 1 < args.size())
            theme = args[++i];
        else if (args[i] == u"--menu"_qs && i + 1 < args.size())
            menu = args[++i];
        else if (output.isEmpty() && !args[i].startsWith(u'-'))
            output = args[i];
        else
            usage = true;
    }
    if (usage || output.isEmpty()) {
        std::fputs(
            "usage: shot_main_window OUTPUT.png [--text-option N] [--icon-theme NAME | --own-pictures] [--theme NAME]\n"
            "                        [--menu NAME | --dialog COMMAND]\n",
            stderr);
        return 2;
    }
    int result = 1;
    {
        TMainWindowFixture f;
        if (textOption >= 0)
            f.Preference(Pref::BarText, textOption);
        if (!theme.isEmpty())
            f.Preference(Pref::Theme, theme);
        TwinMain* w = f.Create();
        // Wide enough for the whole tool bar.
        w->resize(qMax(560, w->barTool->sizeHint().width() + 16), 360);
        w->actPlay->trigger();
        if (TFakeWindowsMedia* engine = f.Engines.WindowsMedia) {
            engine->State = IWindowsMediaEngine::wmppsPlaying;
            engine->BitRate = 128000;
            engine->Title = QStringLiteral("新闻和报纸摘要");
        }
        w->ctlPlayer->Poll();
        if (!dialogCommand.isEmpty()) {
            QAction* command = f.Command(dialogCommand);
            if (!command)
                return 2;
            // Grabbed from inside its own modal loop, then closed.
            QTimer::singleShot(500, &app, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                result = dialog && dialog->grab().save(output) ? 0 : 1;
                if (dialog)
                    dialog->close();
            });
            command->trigger();
        } else if (!menu.isEmpty()) {
            // A menu is a window of its own: the screen shows both.
            auto* open = w->findChild<QMenu*>(menu);
            if (!open)
                return 2;
            w->activateWindow();
            QTimer::singleShot(300, &app, [&] { w->menuBar()->setActiveAction(open->menuAction()); });
            QTimer::singleShot(900, &app, [&] {
                const QRect area = w->frameGeometry().united(open->geometry());
                result =
                    w->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(output) ? 0 : 1;
                open->close();
                QCoreApplication::exit(0);
            });
            app.exec();
        } else {
            QTimer::singleShot(500, &app, [&] {
                result = w->grab().save(output) ? 0 : 1;
                QCoreApplication::exit(0);
            });
            app.exec();
        }
        w->actStop->trigger();
    }
    return result;
}
