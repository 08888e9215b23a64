#pragma once
// The main window over the real engines and the real PulseAudio driver, in a
// private home, on a station of two links to the local Icecast: libmpv
// first, then GStreamer. Members are destroyed in reverse order, so the
// window goes first.

#include "FakeDialogs.h"
#include "FakeMessageBoxes.h"
#include "StreamServers.h"
#include "TestHome.h"
#include "libEngines.h"
#include "libMixerPulse.h"
#include "libRadio.h"
#include "libResolve.h"
#include "vclMain.h"

#include <memory>

struct TLiveWindowFixture
{
    static inline const QString Station = QStringLiteral("本地测试台");

    TStreamServers Servers;
    // Before everything below, which follows the servers' environment. Start
    // throws, and so fails the test, when a server cannot start.
    const bool Started = [this] {
        PrepareEngineLocale(); // as main() does once the application object exists
        Servers.Start();
        return true;
    }();
    TTestHome Home;
    TFakeMessageBoxes Boxes;
    TFakeBrowser Browser;
    TFakeFileDialogs FileDialogs;
    TFakeEditors Editors;
    const std::unique_ptr<IEngineFactory> Engines = CreateSystemEngineFactory();
    TPulseMixerDriver Mixer;
    // As the program has it: playlist addresses are looked at before playing.
    TStreamResolver Resolver;
    std::unique_ptr<TwinMain> Window;

    // Builds the window and opens the station, as the program does at start.
    TLiveWindowFixture()
    {
        TRadio radio;
        radio.SetText(Station);
        for (TStreamKind kind : {skWindowsMedia, skRealMedia}) {
            TRadioLink* link = radio.Links().Add();
            link->SetText(kind == skRealMedia ? QStringLiteral("GStreamer") : QStringLiteral("libmpv"));
            link->SetHref(Servers.IcecastUrl());
            link->SetKind(kind);
        }
        const QString file = Home.Path() + QStringLiteral("/本地.radio");
        radio.SaveToFile(file);

        TMainServices services;
        services.Engines = Engines.get();
        services.Mixer = &Mixer;
        services.FileDialogs = &FileDialogs;
        services.Editors = &Editors;
        services.MessageBoxes = &Boxes;
        services.Browser = &Browser;
        services.Resolver = &Resolver;
        Window = std::make_unique<TwinMain>(services);
        Window->FormCreate({file});
    }
};
