// The link list, the listening commands and the status bar.
#include "vclMain.h"

#include "ctlRadioPlayer.h"
#include "libRadio.h"

#include <QAction>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTreeWidget>

void TwinMain::CreateLinkActions()
{
    actPlay = NewAction(QStringLiteral("播放(&P)"), QKeySequence(Qt::CTRL | Qt::Key_Return));
    actStop = NewAction(QStringLiteral("停止(&S)"), QKeySequence(Qt::CTRL | Qt::Key_Space));
    actAddLink = NewAction(QStringLiteral("新增(&N)..."), QKeySequence(Qt::Key_Insert));
    actEditLink = NewAction(QStringLiteral("修改(&M)..."), QKeySequence(Qt::Key_F2));
    actCopyLink = NewAction(QStringLiteral("复制流地址(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
    actCopyLink->setToolTip(QStringLiteral("复制"));
    actDelLink = NewAction(QStringLiteral("删除(&D)"), QKeySequence(Qt::Key_Delete));
    actFullView = NewAction(QStringLiteral("显示连接列表详细资料(&D)"));
    actFullView->setCheckable(true);
    actFullView->setChecked(true);
    Bind(actPlay, &TwinMain::actPlayExecute);
    Bind(actStop, &TwinMain::actStopExecute);
    Bind(actAddLink, &TwinMain::actAddLinkExecute);
    Bind(actEditLink, &TwinMain::actEditLinkExecute);
    Bind(actCopyLink, &TwinMain::actCopyLinkExecute);
    Bind(actDelLink, &TwinMain::actDelLinkExecute);
    Bind(actFullView, &TwinMain::actFullViewExecute);
}

void TwinMain::CreateLinkList()
{
    boxLinks = new QTreeWidget(boxClient);
    boxLinks->setObjectName(QStringLiteral("boxLinks"));
    boxLinks->setAccessibleName(QStringLiteral("收听连接"));
    boxLinks->setRootIsDecorated(false);
    boxClient->addWidget(boxLinks);
}

void TwinMain::CreateStatusBar()
{
    barHint = statusBar();
    barHint->setObjectName(QStringLiteral("barHint"));
    for (int i = 0; i < 4; ++i) {
        pnlHint[i] = new QLabel(barHint);
        barHint->addPermanentWidget(pnlHint[i], i == 0 ? 1 : 0);
    }
    barGauge = new QProgressBar(pnlHint[1]);
}

void TwinMain::FillLinkList() {}
void TwinMain::UpdateLinkItem(QTreeWidgetItem*, TRadioLink*) {}
QString TwinMain::HintPanelText(int panel) const { return pnlHint[panel]->text(); }
int TwinMain::HintPanelWidth(int panel) const { return pnlHint[panel]->width(); }
void TwinMain::barHintClick() {}
void TwinMain::actPlayExecute()
{
    if (FRadio && FRadio->Links().Count() > 0) {
        TRadioLink* link = FRadio->Links().Items(FRadio->Link());
        ctlPlayer->Play(link->Href(), link->Kind());
    }
}
void TwinMain::actStopExecute() { ctlPlayer->Stop(); }
void TwinMain::actAddLinkExecute() {}
void TwinMain::actEditLinkExecute() {}
void TwinMain::actCopyLinkExecute() {}
void TwinMain::actDelLinkExecute() {}
void TwinMain::actFullViewExecute() {}
void TwinMain::boxLinksDblClick() {}
void TwinMain::boxLinksMouseDown(QWidget*, Qt::MouseButton, const QPoint&, QTreeWidgetItem*) {}
void TwinMain::subLinksPopup() {}
void TwinMain::subBtnLinkClick(int) {}
void TwinMain::ctlPlayerChange() {}
void TwinMain::WriteBackCleanDocument() {}
bool TwinMain::eventFilter(QObject* watched, QEvent* event) { return QMainWindow::eventFilter(watched, event); }
