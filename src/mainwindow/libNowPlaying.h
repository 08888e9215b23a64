#pragma once
// What the window tells about the playing station, free of widgets: the
// status bar's panels, the tray tip and the now-playing title are pure
// functions of the player's report; TNowPlaying keeps the last results and
// signals only real changes, so the status bar, the tray and the session bus
// can each follow it without comparing texts themselves.

#include "ctlRadioPlayer.h"

#include <QObject>
#include <QString>

#include <array>

// The player's report as the window reads it.
struct TPlayerReport
{
    TPlayerState State = psStopped;
    QString InfoText;
    int Progress = 100;
    int BitRate = 0;

    static TPlayerReport Of(const TRadioPlayer& player);
};

// The four panels: the programme, the gauge (no text of its own), the state
// and the bit rate.
struct TStatusPanels
{
    std::array<QString, 4> Texts;
    // The gauge's position; -1 while it is closed (not buffering).
    int Gauge = -1;

    bool operator==(const TStatusPanels&) const = default;
};

// "128千比特/秒", or empty without a rate.
QString BitRateText(int kbps);
TStatusPanels StatusPanels(const TPlayerReport& report);
// While the player is not stopped, the panel texts that are not blank, one
// per line; otherwise (or when all are blank) the window caption.
QString TrayTipText(const TPlayerReport& report, const QString& caption);

// How the title is chosen: whether to publish one at all, and which text.
enum class TTitleSource : quint8 { Station = 0, Programme = 1 };
// The text published as now playing: empty unless a station is open and
// playing; the programme title or the station's name as the source says.
QString NowPlayingTitle(const TPlayerReport& report, const QString* stationText, bool publish, TTitleSource source);

class TNowPlaying final : public QObject
{
    Q_OBJECT
public:
    struct TInput
    {
        TPlayerReport Player;
        // nullptr: no station is open.
        const QString* StationText = nullptr;
        QString Caption;
        bool Publish = false;
        TTitleSource Source = TTitleSource::Station;
    };

    using QObject::QObject;

    void Update(const TInput& input);

    const TStatusPanels& Panels() const { return FPanels; }
    const QString& Tip() const { return FTip; }
    const QString& Title() const { return FTitle; }
    TPlayerState State() const { return FState; }

Q_SIGNALS:
    void PanelsChanged(const TStatusPanels& panels);
    void TipChanged(const QString& tip);
    void TitleChanged(const QString& title);
    void StateChanged(TPlayerState state);

private:
    TStatusPanels FPanels{{}, -2}; // no panels shown yet: the first update is a change
    QString FTip;
    QString FTitle;
    TPlayerState FState = psStopped;
};
