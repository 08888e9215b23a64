// Plays one address through one engine until killed: the engine alone, without
// the player's rules, so the engine benchmark can tell the engine's share of
// the time to audio from the player's.
//   bench_engine_play URL [wm|rm]
#include "libEngines.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    PrepareEngineLocale();
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_engine_play URL [wm|rm]\n");
        return 2;
    }
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    auto factory = CreateSystemEngineFactory();
    const bool rm = args.value(2) == QLatin1String("rm");
    std::unique_ptr<IWindowsMediaEngine> wm;
    std::unique_ptr<IRealMediaEngine> real;
    if (rm) {
        real = factory->CreateRealMedia();
        real->SetVolume(100);
        real->SetSource(args[1]);
        real->DoPlay();
    } else {
        wm = factory->CreateWindowsMedia();
        wm->SetVolume(100);
        wm->SetURL(args[1]);
        wm->Play();
    }
    return app.exec();
}
