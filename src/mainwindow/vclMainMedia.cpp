#include "vclMainMedia.h"

#include "ctlRadioPlayer.h"
#include "libNowPlaying.h"
#include "libRadio.h"
#include "vclMain.h"
#include "vclShell.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QSlider>
#include <QTreeWidget>

TMainMedia::TMainMedia(TwinMain& window, QObject* parent) : QObject(parent), FWindow(window)
{
    FRefresh.setSingleShot(true);
    FRefresh.setInterval(0);
    connect(&FRefresh, &QTimer::timeout, this, &TMainMedia::Refresh);
    const auto later = [this] { FRefresh.start(); };

    // The player's reports and the model's changes; the slider is the
    // program volume's view, whoever moved it.
    connect(window.ctlPlayer, &TRadioPlayer::OnChange, this, later);
    TNowPlaying* model = window.NowPlaying();
    connect(model, &TNowPlaying::TitleChanged, this, later);
    connect(model, &TNowPlaying::StateChanged, this, later);
    connect(model, &TNowPlaying::PanelsChanged, this, later);
    connect(window.barPlayer, &QSlider::valueChanged, this, later);
    // The station and its links change while nothing plays too: the caption
    // names the station, and the link list shows the links and the current one.
    connect(&window, &QWidget::windowTitleChanged, this, later);
    const QAbstractItemModel* links = window.boxLinks->model();
    connect(links, &QAbstractItemModel::rowsInserted, this, later);
    connect(links, &QAbstractItemModel::rowsRemoved, this, later);
    connect(links, &QAbstractItemModel::modelReset, this, later);
    connect(links, &QAbstractItemModel::dataChanged, this, later);
    FRefresh.start();
}

TMediaState TMainMedia::State() const
{
    TMediaState state;
    const TPlayerState player = FWindow.ctlPlayer->State();
    state.Playing = player == psConnecting || player == psBuffering || player == psPlaying;
    state.Title = FWindow.NowPlaying()->Title();
    state.Volume = FWindow.barPlayer->value();
    if (const TRadio* radio = FWindow.Radio()) {
        const int link = radio->Link();
        const int count = radio->Links().Count();
        state.Station = radio->DisplayText();
        state.TrackKey = QStringList{state.Station, QString::number(link), Programme()}.join(u'\n');
        state.CanPlay = count > 0;
        state.CanGoNext = link >= 0 && link + 1 < count;
        state.CanGoPrevious = link > 0 && link < count;
    }
    return state;
}

QString TMainMedia::Programme() const
{
    // After an error the player's text is the error's description.
    return FWindow.ctlPlayer->State() == psError ? QString() : FWindow.ctlPlayer->InfoText();
}

bool TMainMedia::Busy() const { return FWindow.Busy(); }

void TMainMedia::Refresh()
{
    const TMediaState state = State();
    if (!(state == FState)) {
        FState = state;
        Q_EMIT StateChanged(state);
    }
    const QString programme = Programme();
    if (programme != FProgramme) {
        FProgramme = programme;
        Q_EMIT ProgrammeChanged(programme, state.Station, !FWindow.isActiveWindow() && FWindow.Options().Notify);
    }
}

void TMainMedia::Raise() { ShowMainWindow(true, &FWindow); }

void TMainMedia::Quit() { FWindow.actExit->trigger(); }

void TMainMedia::Play() { FWindow.actPlay->trigger(); }

void TMainMedia::Stop() { FWindow.actStop->trigger(); }

void TMainMedia::Next()
{
    if (const TRadio* radio = FWindow.Radio())
        FWindow.PlayLink(radio->Link() + 1);
}

void TMainMedia::Previous()
{
    if (const TRadio* radio = FWindow.Radio(); radio && radio->Link() > 0)
        FWindow.PlayLink(radio->Link() - 1);
}

void TMainMedia::SetVolume(int volume) { FWindow.SetProgramVolume(volume); }

TMediaFeatures::TMediaFeatures(TwinMain& window)
    : Media(window), Mpris(Media, window.ProductName()), Notifier(window.ProductName())
{
    Mpris.SetHold([this] { return Media.Busy(); });
    QObject::connect(&Media, &TMainMedia::StateChanged, &Mpris, &TMprisService::SetState);
    QObject::connect(&Media, &TMainMedia::ProgrammeChanged, &Notifier, &TTitleNotifier::Update);
    Mpris.SetState(Media.State());
}
