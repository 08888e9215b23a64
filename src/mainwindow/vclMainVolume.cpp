// The volume panel and the switching between the two panels.
#include "vclMain.h"

#include "ctlRadioPlayer.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QTreeWidget>

void TwinMain::CreateVolumeActions()
{
    actMute = NewAction(QStringLiteral("静音(&M)"), QKeySequence(Qt::Key_Space));
    actMute->setCheckable(true);
    actVolume = NewAction(QStringLiteral("音量(&V)"), QKeySequence(Qt::Key_PageDown));
    actLinks = NewAction(QStringLiteral("连接(&L)"), QKeySequence(Qt::Key_PageUp));
    grpPanels = new QActionGroup(this);
    for (QAction* action : {actVolume, actLinks}) {
        action->setCheckable(true);
        grpPanels->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] { Guarded([&] { actVolumeExecute(action); }); });
    }
    Bind(actMute, &TwinMain::actMuteExecute);
}

void TwinMain::CreateVolumePanel()
{
    boxMixer = new QScrollArea(boxClient);
    boxMixer->setObjectName(QStringLiteral("boxMixer"));
    barPlayer = new QSlider(Qt::Horizontal, boxMixer);
    barPlayer->setRange(0, 100);
    barPlayer->setValue(88);
    boxClient->addWidget(boxMixer);
}

void TwinMain::SetProgramVolume(int volume)
{
    volume = std::clamp(volume, 0, 100);
    ctlPlayer->SetVolume(volume);
    if (barPlayer->value() != volume)
        barPlayer->setValue(volume);
}
void TwinMain::ReadSystemVolume() {}
void TwinMain::SetSystemVolume(int) {}
void TwinMain::ShowPanel(int panel)
{
    FPanel = panel;
    boxClient->setCurrentWidget(panel != 0 ? static_cast<QWidget*>(boxLinks) : boxMixer);
    (panel != 0 ? actLinks : actVolume)->setChecked(true);
}
void TwinMain::barPlayerChange() {}
void TwinMain::barSystemChange() {}
void TwinMain::ctlMixerControlChange() {}
void TwinMain::btnSystemClick() {}
void TwinMain::actMuteExecute() { ctlPlayer->SetMute(actMute->isChecked()); }
void TwinMain::actVolumeExecute(QAction* sender) { ShowPanel(sender == actVolume ? 0 : 1); }
