#pragma once
// The main window as a media player on the session bus. TMainMedia carries
// out the clients' commands with the window's own commands and reads what
// the window shows (the now-playing model, the player, the volume slider,
// the station and its links) into the state the MPRIS service publishes and
// the programme title the notifier follows. main.cpp builds it with the
// service and the notifier (TMediaFeatures); the window knows nothing of it.

#include "libMediaPlayer.h"
#include "libMprisService.h"
#include "libTitleNotifier.h"

#include <QObject>
#include <QString>
#include <QTimer>

class TwinMain;

class TMainMedia final : public QObject, public IMediaControl
{
    Q_OBJECT
public:
    // The window must outlive this object.
    explicit TMainMedia(TwinMain& window, QObject* parent = nullptr);

    // What the window now shows, read afresh.
    TMediaState State() const;
    // The programme title now playing: the player's title, nothing after an error.
    QString Programme() const;
    // True while the window runs a modal step or a box of the program is open;
    // commands wait meanwhile.
    bool Busy() const;

    void Raise() override;
    void Quit() override;
    void Play() override;
    void Stop() override;
    void Next() override;
    void Previous() override;
    void SetVolume(int volume) override;

Q_SIGNALS:
    // Only on real changes.
    void StateChanged(const TMediaState& state);
    // show: the window is not in front and the user wants notifications.
    void ProgrammeChanged(const QString& title, const QString& station, bool show);

private:
    // Reads the window once the handler that changed it has finished.
    void Refresh();

    TwinMain& FWindow;
    QTimer FRefresh;
    TMediaState FState;
    QString FProgramme;
};

// The window's session-bus features as the program runs them: the service
// follows the adapter's state, the notifier its programme titles, and
// commands wait while the window is busy. Published once the window stands.
struct TMediaFeatures
{
    explicit TMediaFeatures(TwinMain& window);

    TMainMedia Media;
    TMprisService Mpris;
    TTitleNotifier Notifier;
};
