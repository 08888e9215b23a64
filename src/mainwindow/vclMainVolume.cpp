// The volume panel and the switching between the two panels.
#include "vclMain.h"

#include "ctlMixer.h"
#include "ctlRadioPlayer.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A read-only number beside a track bar.
QLineEdit* NewVolumeDisplay(QWidget* parent)
{
    auto* edit = new QLineEdit(QStringLiteral("0"), parent);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    return edit;
}

QSlider* NewVolumeBar(QWidget* parent, int pageStep)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setRange(0, 100);
    bar->setPageStep(pageStep);
    bar->setTickPosition(QSlider::NoTicks);
    return bar;
}

// The mixer's 0 … 65535 and the panel's whole percent.
int PercentToMixer(int percent) { return int(qint64(percent) * 65535 / 100); }
int MixerToPercent(int value) { return int((qint64(value) * 200 + 65535) / (2 * 65535)); }

// The programs that show the sound server's own detailed volume settings.
const char* const CVolumeControls[] = {"pavucontrol", "pavucontrol-qt"};

} // namespace

void TwinMain::CreateVolumePanel()
{
    boxMixer = new QScrollArea(boxClient);
    boxMixer->setObjectName(QStringLiteral("boxMixer"));
    boxMixer->setAccessibleName(QStringLiteral("音量面板"));
    boxMixer->setFrameShape(QFrame::NoFrame);
    boxMixer->setBackgroundRole(QPalette::Base);
    boxMixer->setWidgetResizable(true);
    auto* page = new QWidget;
    page->setBackgroundRole(QPalette::Base);
    auto* pageLayout = new QVBoxLayout(page);

    boxPlayer = new QGroupBox(QStringLiteral("节目音量(&R)"), page);
    boxPlayer->setObjectName(QStringLiteral("boxPlayer"));
    barPlayer = NewVolumeBar(boxPlayer, 10);
    barPlayer->setObjectName(QStringLiteral("barPlayer"));
    barPlayer->installEventFilter(this);
    barPlayer->setValue(88);
    lblPlayer = new QLabel(QStringLiteral("音量:"), boxPlayer);
    edtPlayer = NewVolumeDisplay(boxPlayer);
    edtPlayer->setObjectName(QStringLiteral("edtPlayer"));
    lblPlayer->setBuddy(edtPlayer);
    chkPlayer = new QCheckBox(actMute->text(), boxPlayer);
    chkPlayer->setObjectName(QStringLiteral("chkPlayer"));
    auto* playerRow = new QHBoxLayout;
    playerRow->addWidget(lblPlayer);
    playerRow->addWidget(edtPlayer);
    playerRow->addStretch();
    playerRow->addWidget(chkPlayer);
    auto* playerLayout = new QVBoxLayout(boxPlayer);
    playerLayout->addWidget(barPlayer);
    playerLayout->addLayout(playerRow);

    boxSystem = new QGroupBox(QStringLiteral("系统音量(&S)"), page);
    boxSystem->setObjectName(QStringLiteral("boxSystem"));
    barSystem = NewVolumeBar(boxSystem, 5);
    barSystem->setObjectName(QStringLiteral("barSystem"));
    barSystem->installEventFilter(this);
    lblSystem = new QLabel(QStringLiteral("音量:"), boxSystem);
    edtSystem = NewVolumeDisplay(boxSystem);
    edtSystem->setObjectName(QStringLiteral("edtSystem"));
    lblSystem->setBuddy(edtSystem);
    chkSystem = new QCheckBox(QStringLiteral("静音(&N)"), boxSystem);
    chkSystem->setObjectName(QStringLiteral("chkSystem"));
    btnSystem = new QPushButton(QStringLiteral("详细音量设置(&L)"), boxSystem);
    btnSystem->setObjectName(QStringLiteral("btnSystem"));
    auto* systemRow = new QHBoxLayout;
    systemRow->addWidget(lblSystem);
    systemRow->addWidget(edtSystem);
    systemRow->addStretch();
    systemRow->addWidget(chkSystem);
    systemRow->addWidget(btnSystem);
    auto* systemLayout = new QVBoxLayout(boxSystem);
    systemLayout->addWidget(barSystem);
    systemLayout->addLayout(systemRow);

    pageLayout->addWidget(boxPlayer);
    pageLayout->addWidget(boxSystem);
    pageLayout->addStretch();
    boxMixer->setWidget(page);
    boxClient->addWidget(boxMixer);

    // The check box is a view of the mute command: a click runs the command,
    // and the command's state (from the menus or Space) shows in the box.
    connect(chkPlayer, &QCheckBox::clicked, this, [this](bool checked) {
        if (actMute->isChecked() != checked)
            actMute->trigger();
        chkPlayer->setChecked(actMute->isChecked());
    });
    connect(actMute, &QAction::toggled, chkPlayer, &QCheckBox::setChecked);
    connect(actMute, &QAction::changed, this, [this] {
        chkPlayer->setText(actMute->text());
        chkPlayer->setEnabled(actMute->isEnabled());
    });

    connect(barPlayer, &QSlider::valueChanged, this, [this] { Guarded([&] { barPlayerChange(); }); });
    connect(barSystem, &QSlider::valueChanged, this, [this] { Guarded([&] { barSystemChange(); }); });
    connect(chkSystem, &QCheckBox::toggled, this, [this] { Guarded([&] { barSystemChange(); }); });
    connect(btnSystem, &QPushButton::clicked, this, [this] { Guarded([&] { btnSystemClick(); }); });
    connect(ctlMixer, &TAudioMixer::OnControlChange, this, [this] { Guarded([&] { ctlMixerControlChange(); }); });
    // A sound server that came back, or another output that became the
    // default, has a master volume of its own to show.
    connect(ctlMixer, &TAudioMixer::OnLineChange, this, [this] { Guarded([&] { ReadSystemVolume(); }); });

    // Presses on the panel open the same context menu as the link list.
    for (QWidget* box :
         {static_cast<QWidget*>(boxMixer), static_cast<QWidget*>(boxPlayer), static_cast<QWidget*>(boxSystem)})
        box->installEventFilter(this);
}

void TwinMain::SetProgramVolume(int volume)
{
    volume = std::clamp(volume, 0, 100);
    ctlPlayer->SetVolume(volume);
    if (barPlayer->value() != volume)
        barPlayer->setValue(volume);
    edtPlayer->setText(QString::number(volume));
}

void TwinMain::ReadSystemVolume()
{
    if (FMixerBusy)
        return;
    int left = -1, right = -1, mute = -1;
    bool stereo = false, volumeDisabled = true, muteDisabled = true, muteIsSelection = false;
    if (!ctlMixer->GetVolume(0, -1, left, right, mute, stereo, volumeDisabled, muteDisabled, muteIsSelection))
        return;
    // Only show what the mixer holds. Writing it back would round another
    // program's setting to whole percent and fight its own slider.
    const QSignalBlocker barBlocker(barSystem);
    const QSignalBlocker boxBlocker(chkSystem);
    if (!volumeDisabled) {
        const int percent = MixerToPercent(left);
        barSystem->setValue(percent);
        edtSystem->setText(QString::number(barSystem->value()));
    }
    if (!muteDisabled)
        chkSystem->setChecked(mute != 0);
}

void TwinMain::SetSystemVolume(int volume)
{
    {
        const QSignalBlocker blocker(barSystem);
        barSystem->setValue(volume);
    }
    edtSystem->setText(QString::number(volume));
    FMixerBusy = true;
    const int value = PercentToMixer(volume);
    ctlMixer->SetVolume(0, -1, value, value, chkSystem->isChecked() ? 1 : 0);
    FMixerBusy = false;
}

void TwinMain::ShowPanel(int panel)
{
    FPanel = panel;
    if (panel != 0) {
        boxClient->setCurrentWidget(boxLinks);
        if (!actLinks->isChecked())
            actLinks->setChecked(true);
    } else {
        boxClient->setCurrentWidget(boxMixer);
        if (!actVolume->isChecked())
            actVolume->setChecked(true);
    }
}

void TwinMain::barPlayerChange() { SetProgramVolume(barPlayer->value()); }

// Only the user's own changes arrive here: showing the mixer's values blocks
// the controls' signals.
void TwinMain::barSystemChange() { SetSystemVolume(barSystem->value()); }

void TwinMain::ctlMixerControlChange() { ReadSystemVolume(); }

void TwinMain::btnSystemClick()
{
    for (const char* name : CVolumeControls) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) {
            QProcess::startDetached(path, {});
            return;
        }
    }
}

void TwinMain::actMuteExecute() { ctlPlayer->SetMute(actMute->isChecked()); }

void TwinMain::actVolumeExecute() { ShowPanel(sender() == actVolume ? 0 : 1); }
