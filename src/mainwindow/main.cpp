// The program's composition root: the real services are built here and handed
// to the main window; tests hand it fakes instead.

#include "vclMain.h"

#include "KestrelVersion.h"
#include "libEngines.h"
#include "libExeInfo.h"
#include "libFreedesktopInstall.h"
#include "libInstance.h"
#include "libMixerPulse.h"
#include "libMsgBox.h"
#include "libRadio.h"
#include "libRegistry.h"
#include "libResolve.h"
#include "libShell.h"
#include "libSignals.h"
#include "libSleepWatch.h"
#include "libUpdate.h"
#include "vclApplication.h"
#include "vclEditors.h"
#include "vclFileDialogs.h"
#include "vclInstance.h"
#include "vclMainMedia.h"
#include "vclMsgBox.h"
#include "vclSearch.h"
#include "vclShell.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

void Print(const QString& text) { std::fputs(text.toLocal8Bit().constData(), stdout); }

// --help and --version need no display, so they are answered before the
// application object exists. Any other argument is a station file.
bool AnswerInformationOption(int argc, char** argv, int& exitCode)
{
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == u"--version") {
            const TExeInfo info = OwnExeInfo();
            Print(info.ProductName + u' ' + info.VersionText.chopped(1) + u'\n');
            exitCode = 0;
            return true;
        }
        if (argument == u"--help") {
            Print(QStringLiteral("用法: kestrel-radio [电台文件...]\n"
                                 "打开并收听电台文件。程序已在运行时，文件交给正在运行的程序打开。\n\n"
                                 "  --help     显示本帮助\n"
                                 "  --version  显示版本\n"));
            exitCode = 0;
            return true;
        }
    }
    return false;
}

// The engine the station a start opens plays with, so that only that one is
// loaded ahead; none when the station cannot be read or has no link.
std::optional<TStreamKind> FirstEngine(const QStringList& arguments)
{
    try {
        TRadio radio;
        radio.LoadFromFile(TwinMain::StartingStation(arguments));
        if (radio.Link() >= 0)
            return radio.Links().Items(radio.Link())->Kind();
    } catch (const std::exception&) {
        // The window reports what it cannot open.
    }
    return std::nullopt;
}

// Qt ends a start whose display it cannot reach (an X server that refuses
// the connection under load, no display at all) with an abort and a core
// dump. While the application object is made, a fatal message is the
// program's own failure to start instead: said in its words, exit status 1.
void StartFailed(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
        return;
    }
    const QByteArray display = qgetenv("DISPLAY");
    std::fprintf(stderr, "Kestrel收音机无法启动：无法连接到显示服务器%s。\n%s\n",
                 display.isEmpty() ? "" : (" " + display).constData(), message.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (AnswerInformationOption(argc, argv, exitCode))
        return exitCode;

    const QtMessageHandler previousHandler = qInstallMessageHandler(StartFailed);
    TApplication app(argc, argv);
    qInstallMessageHandler(previousHandler);
    SetProgramIdentity();
    QGuiApplication::setDesktopFileName(QString::fromUtf16(KESTREL_APP_ID));
    LoadQtTranslations(app);
    // Once, after the application object has set the user's locale and
    // before the warm-up thread may start GStreamer.
    PrepareEngineLocale();

    const QStringList arguments = CommandLineFiles(app.arguments().mid(1));

    TSingleInstance instance;
    if (!instance.Acquire()) {
        // A hand-over nobody took is not a success the shell should see.
        return instance.Forward(arguments) ? 0 : 1;
    }

    // Loads the opened station's engine while the window is built, so an
    // auto-played station does not wait for it.
    std::optional<TEngineWarmUp> engineWarmUp;
    if (const std::optional<TStreamKind> kind = FirstEngine(arguments))
        engineWarmUp.emplace(*kind);
    TQtMessageBoxes boxes;
    SetMessageBoxes(&boxes);
    TDesktopBrowser browser;
    SetBrowser(&browser);
    const std::unique_ptr<IEngineFactory> engines = CreateSystemEngineFactory();
    TPulseMixerDriver mixer;
    TQtFileDialogs fileDialogs;
    TDialogEditors editors;
    TFreedesktopInstall desktopInstall;
    TSystemNetwork network;
    TStreamResolver resolver;
    TDialogStationSearch search;

    TMainServices services;
    services.Engines = engines.get();
    services.Mixer = &mixer;
    services.FileDialogs = &fileDialogs;
    services.Editors = &editors;
    services.MessageBoxes = &boxes;
    services.Browser = &browser;
    services.DesktopInstall = &desktopInstall;
    services.Network = &network;
    services.Resolver = &resolver;
    services.Search = &search;

    int result = 0;
    {
        TwinMain window(services);
        app.Window = &window;
        boxes.SetOwner(&window);

        ConnectInstance(instance, window);

        // A session that ends or a kill from the shell closes the program
        // the orderly way, so nothing the user set is lost. Caught before
        // the socket is served: a signal then waits for the event loop
        // instead of killing a program that already looks started.
        // One that arrives inside the start's own event loops (a Play lets
        // the loop run) is remembered: exit() does nothing before exec().
        TStopSignals stopSignals;
        bool stopped = false;
        QObject::connect(&stopSignals, &TStopSignals::Stopped, &app, [&stopped] {
            stopped = true;
            QCoreApplication::exit(0);
        });

        window.FormCreate(arguments);
        instance.Listen();

        // The desktop's media controls and notifications follow the window.
        TMediaFeatures media(window);
        media.Mpris.Publish();
        // A stream whose connection died in a sleep starts again on waking.
        TLogindSleepWatch sleepWatch;
        QObject::connect(&sleepWatch, &ISleepWatch::Woke, &window,
                         [&window] { window.Guarded([&] { window.ResumeAfterSleep(); }); });

        result = stopped ? 0 : app.exec();
        // Clients see the player go; their late commands reach no closing window.
        media.Mpris.Withdraw();
        // From here on a later start is answered as not taken: the closing
        // steps may still show a box, and the window must not come back.
        instance.Close();
        window.FormDestroy();
        app.Window = nullptr;
    }
    SetBrowser(nullptr);
    SetMessageBoxes(nullptr);
    return result;
}
