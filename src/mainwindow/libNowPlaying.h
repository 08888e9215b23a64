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
    // Seconds until the dropped stream is tried again; -1 while no try waits.
    int ReconnectIn = -1;

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
// While a try waits, the first panel says when it comes instead of the
// player's text.
TStatusPanels StatusPanels(const TPlayerReport& report);
// While the player is not stopped or a try waits, the panel texts that are
// not blank, one per line; otherwise (or when all are blank) the window caption.
QString TrayTipText(const TPlayerReport& report, const QString& caption);

// How the title is chosen: whether to publish one at all, and which text.
enum class TTitleSource : quint8 { Station = 0, Programme = 1 };
// The text published as now playing: empty unless a station is open and
// playing; the programme title or the station's name as the source says.
QString NowPlayingTitle(const TPlayerReport& report, const QString* stationText, bool publish, TTitleSource source);

// The record a chat messenger reads as the user's personal message: 256 bytes,
// the message text in UTF-16 (little-endian, as the messenger reads it), at
// most 127 code units, zero-filled to the end. A non-empty text shows it under
// the category (0 "Music", 1 "Games", 2 "Office", any other none); an empty
// text withdraws the message. "\0" in the text is a backslash and a zero.
QByteArray MessengerRecord(const QString& text, int category);
inline constexpr int MessengerRecordBytes = 256;

// Where the record goes. No messenger of that kind exists on this platform;
// the program's own sends nowhere, and tests read what would have gone.
class IMessenger
{
public:
    virtual ~IMessenger() = default;
    virtual void Send(const QByteArray& record) = 0;
};

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
