#pragma once
// A main window over fakes of every outside facility, in a private home.
// Members are destroyed in reverse order, so the window goes first.

#include "FakeClock.h"
#include "FakeDesktopInstall.h"
#include "FakeDialogs.h"
#include "FakeEngines.h"
#include "FakeMessageBoxes.h"
#include "FakeMixerDriver.h"
#include "FakeNetwork.h"
#include "TestHome.h"
#include "libRadio.h"
#include "libRegistry.h"
#include "vclMain.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

#include <memory>

// Keeps every messenger record the window sends.
struct TRecordingMessenger final : IMessenger
{
    QList<QByteArray> Records;
    void Send(const QByteArray& record) override { Records.append(record); }
};

struct TMainWindowFixture
{
    TTestHome Home;
    TFakeMessageBoxes Boxes;
    TFakeBrowser Browser;
    TFakeEngineFactory Engines;
    TFakeMixerDriver Mixer;
    TFakeFileDialogs FileDialogs;
    TFakeEditors Editors;
    TRecordingMessenger Messenger;
    TFakeDesktopInstall DesktopInstall;
    TFakeNetwork Network;
    // The waits between reconnection tries pass only when a test moves it.
    TFakeClock Clock;
    // None unless a test sets one: links play their address as it is.
    IStreamResolver* Resolver = nullptr;
    TFakeStationSearch Search;
    // The update check's bounds; tests shorten the time-out.
    TDownloadLimits UpdateLimits = UpdateCheckLimits();
    std::unique_ptr<TwinMain> Window;

    TMainServices Services()
    {
        TMainServices services;
        services.Engines = &Engines;
        services.Mixer = &Mixer;
        services.FileDialogs = &FileDialogs;
        services.Editors = &Editors;
        services.MessageBoxes = &Boxes;
        services.Browser = &Browser;
        services.Messenger = &Messenger;
        services.DesktopInstall = &DesktopInstall;
        services.Network = &Network;
        services.Resolver = Resolver;
        services.Search = &Search;
        services.UpdateLimits = UpdateLimits;
        services.ReconnectClock = &Clock;
        return services;
    }

    // Builds the window and runs its start-up, as the program does.
    TwinMain* Create(const QStringList& arguments = {})
    {
        Window = std::make_unique<TwinMain>(Services());
        Window->FormCreate(arguments);
        return Window.get();
    }
    // Runs the window's shutdown and frees it.
    void Destroy() { Window.reset(); }

    // A control of the window by its object name; fails the test when absent.
    template <class T = QWidget> T* Find(const QString& name) const
    {
        T* found = Window->findChild<T*>(name);
        if (!found)
            qWarning("no control named %s", qPrintable(name));
        return found;
    }
    // A command of the window's command list by its name.
    QAction* Command(const QString& name) const { return Window->Command(name); }

    // Writes a preference into the program key before the window starts.
    template <class T> void Preference(const QString& name, const T& value)
    {
        TExeRegistry registry;
        QVERIFY(registry.OpenProgramKey());
        if constexpr (std::is_same_v<T, bool>)
            registry.WriteBool(name, value);
        else if constexpr (std::is_integral_v<T>)
            registry.WriteInteger(name, int(value));
        else
            registry.WriteString(name, QString(value));
    }

    // A preference as the program left it in its settings file.
    QVariant StoredPreference(const QString& name) const
    {
        QSettings settings(Home.ConfigFile(), TExeRegistry::Format());
        return settings.value(name);
    }

    // A station file under the private home; content is the file's bytes.
    QString WriteFile(const QString& name, const QByteArray& content)
    {
        const QString path = Home.Path() + u'/' + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write a test file");
        return path;
    }
    // A station with the given name and links (name, address) as a file
    // under the private home.
    QString WriteStation(const QString& name, const QString& station, const QList<QPair<QString, QString>>& links)
    {
        TRadio radio;
        radio.SetText(station);
        for (const auto& [text, href] : links) {
            TRadioLink* link = radio.Links().Add();
            link->SetText(text);
            link->SetHref(href);
        }
        const QString path = Home.Path() + u'/' + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        radio.SaveToFile(path);
        return path;
    }
};
