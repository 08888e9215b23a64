// The window's command list: one table, in the order the tool bar reads it.
#include "vclMain.h"

#include "libRadio.h"
#include "libShell.h"
#include "vclPictures.h"
#include "vclSetup.h"
#include "vclShell.h"
#include "vclToolbar.h"
#include "vclToolbarBuild.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

#include <iterator>

namespace {

enum class TCheckKind { None, Check, Radio };

struct TCommandRow
{
    QAction* TwinMain::*Member;
    const char* Name;
    const char16_t* Caption;
    const char16_t* Hint;
    QKeyCombination Shortcut;
    // Into the 16 × 16 command pictures; negative: none.
    int Picture;
    // In the default tool bar: 0 hidden, 1 shown, -1 shown after a separator.
    int Tag;
    const char16_t* Category;
    TCheckKind Check;
    bool Checked;
    // Only check commands have one: their state is the stored value.
    const char16_t* Preference;
    // nullptr: the command exists, disabled, until its behaviour is built.
    void (TwinMain::*Handler)();
};

constexpr QKeyCombination None{};

} // namespace

void TwinMain::CreateCommands()
{
    // The commands with pictures come first: the tool bar's candidates end at the
    // first command without one.
    static const TCommandRow CCommands[] = {
        {&TwinMain::actNew, "actNew", u"新建(&N)...", u"", Qt::CTRL | Qt::Key_N, 0, 1, u"", TCheckKind::None, false,
         u"", &TwinMain::actNewExecute},
        {&TwinMain::actOpen, "actOpen", u"打开(&O)...", u"", Qt::CTRL | Qt::Key_O, 1, 1, u"", TCheckKind::None, false,
         u"", &TwinMain::actOpenExecute},
        {&TwinMain::actSave, "actSave", u"保存(&S)...", u"", Qt::CTRL | Qt::Key_S, 2, 1, u"", TCheckKind::None, false,
         u"", &TwinMain::actSaveExecute},
        {&TwinMain::actSaveAs, "actSaveAs", u"另存为(&A)...", u"", None, 3, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actSaveAsExecute},
        {&TwinMain::actCopyLink, "actCopyLink", u"复制流地址(&C)", u"复制", Qt::CTRL | Qt::Key_C, 4, 0, u"",
         TCheckKind::None, false, u"", &TwinMain::actCopyLinkExecute},
        {&TwinMain::actEdit, "actEdit", u"信息(&R)", u"", None, 5, 1, u"", TCheckKind::None, false, u"",
         &TwinMain::actEditExecute},
        {&TwinMain::actMenu, "actMenu", u"节目单(&M)", u"", None, 6, 1, u"", TCheckKind::None, false, u"",
         &TwinMain::actMenuExecute},
        {&TwinMain::actPlay, "actPlay", u"播放(&P)", u"", Qt::CTRL | Qt::Key_Return, 7, -1, u"", TCheckKind::None,
         false, u"", &TwinMain::actPlayExecute},
        {&TwinMain::actStop, "actStop", u"停止(&S)", u"", Qt::CTRL | Qt::Key_Space, 8, 1, u"", TCheckKind::None, false,
         u"", &TwinMain::actStopExecute},
        {&TwinMain::actMute, "actMute", u"静音(&M)", u"", QKeyCombination(Qt::Key_Space), 9, 1, u"", TCheckKind::Check,
         false, u"", &TwinMain::actMuteExecute},
        {&TwinMain::actVolume, "actVolume", u"音量(&V)", u"", QKeyCombination(Qt::Key_PageDown), 10, -1, u"",
         TCheckKind::Radio, false, u"", &TwinMain::actVolumeExecute},
        {&TwinMain::actLinks, "actLinks", u"连接(&L)", u"", QKeyCombination(Qt::Key_PageUp), 11, 1, u"",
         TCheckKind::Radio, false, u"", &TwinMain::actVolumeExecute},
        {&TwinMain::actSetup, "actSetup", u"选项(&O)...", u"", QKeyCombination(Qt::Key_F3), 12, -1, u"",
         TCheckKind::None, false, u"", &TwinMain::actSetupExecute},
        {&TwinMain::actClub, "actClub", u"网络电台听友俱乐部(&C)", u"听友会", QKeyCombination(Qt::Key_Home), 13, -1,
         u"", TCheckKind::None, false, u"", &TwinMain::actClubExecute},
        {&TwinMain::actHelp, "actHelp", u"帮助(&H)", u"", QKeyCombination(Qt::Key_F1), 14, 1, u"", TCheckKind::None,
         false, u"", &TwinMain::actHelpExecute},

        {&TwinMain::actOpenLib, "actOpenLib", u"访问在线电台库(&H)...", u"", None, -1, 0, u"", TCheckKind::None, false,
         u"", &TwinMain::actOpenLibExecute},
        // Its menu picture is set apart from the table: a picture index would
        // make it a tool bar candidate out of the bar's order.
        {&TwinMain::actSearchLib, "actSearchLib", u"搜索在线电台(&D)...", u"", Qt::CTRL | Qt::Key_F, -1, 0, u"",
         TCheckKind::None, false, u"", &TwinMain::actSearchLibExecute},
        {&TwinMain::actClose, "actClose", u"关闭(&C)", u"", None, -1, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actCloseExecute},
        {&TwinMain::actExit, "actExit", u"退出(&X)", u"", None, -1, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actExitExecute},
        {&TwinMain::actAddLink, "actAddLink", u"新增(&N)...", u"", QKeyCombination(Qt::Key_Insert), -1, 0, u"",
         TCheckKind::None, false, u"", &TwinMain::actAddLinkExecute},
        {&TwinMain::actEditLink, "actEditLink", u"修改(&M)...", u"", QKeyCombination(Qt::Key_F2), -1, 0, u"",
         TCheckKind::None, false, u"", &TwinMain::actEditLinkExecute},
        {&TwinMain::actDelLink, "actDelLink", u"删除(&D)", u"", QKeyCombination(Qt::Key_Delete), -1, 0, u"",
         TCheckKind::None, false, u"", &TwinMain::actDelLinkExecute},
        {&TwinMain::actFullView, "actFullView", u"显示连接列表详细资料(&D)", u"", None, -1, 0, u"", TCheckKind::Check,
         true, u"Columns", &TwinMain::actFullViewExecute},
        {&TwinMain::actHome, "actHome", u"电台主页(&H)", u"", None, -1, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actHomeExecute},
        {&TwinMain::actBarTool, "actBarTool", u"标准按钮(&S)", u"", None, -1, 0, u"", TCheckKind::Check, true,
         u"BarTool", &TwinMain::actBarToolExecute},
        {&TwinMain::actBarLock, "actBarLock", u"锁定工具栏(&B)", u"", None, -1, 0, u"", TCheckKind::Check, false,
         u"BarLock", &TwinMain::actBarLockExecute},
        {&TwinMain::actBarReset, "actBarReset", u"重置工具栏(&R)", u"", None, -1, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actBarResetExecute},
        {&TwinMain::actCust, "actCust", u"自定义(&C)...", u"", None, -1, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actCustExecute},
        {&TwinMain::actBarHint, "actBarHint", u"状态栏(&B)", u"", None, -1, 0, u"", TCheckKind::Check, true, u"BarHint",
         &TwinMain::actBarHintExecute},
        {&TwinMain::actTopMost, "actTopMost", u"保持在其它窗口的前端(&T)", u"", None, -1, 0, u"", TCheckKind::Check,
         false, u"TopMost", &TwinMain::actTopMostExecute},
        {&TwinMain::actInsTray, "actInsTray", u"最小化到系统托盘图标(&I)", u"", None, -1, 0, u"", TCheckKind::Check,
         true, u"InsTray", &TwinMain::actInsTrayExecute},
        {&TwinMain::actShow, "actShow", u"打开收音机主窗口(&O)", u"", None, -1, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actShowExecute},
        {&TwinMain::actCheckUpdate, "actCheckUpdate", u"检查更新版本(&C)", u"", None, -1, 0, u"", TCheckKind::None,
         false, u"", &TwinMain::actCheckUpdateExecute},
        {&TwinMain::actDownload, "actDownload", u"下载安装程序(&D)", u"", None, -1, 0, u"", TCheckKind::None, false,
         u"", &TwinMain::actDownloadExecute},
        {&TwinMain::actAssociate, "actAssociate", u"修复电台文件关联(&S)", u"", None, -1, 0, u"", TCheckKind::None,
         false, u"", &TwinMain::actAssociateExecute},
        // Both captions get the product name at start-up.
        {&TwinMain::actKestrel, "actKestrel", u"主页(&H)", u"", None, -1, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actKestrelExecute},
        {&TwinMain::actAbout, "actAbout", u"关于(&A)", u"", None, -1, 0, u"", TCheckKind::None, false, u"",
         &TwinMain::actAboutExecute},
    };

    grpPanels = new QActionGroup(this);
    grpPanels->setObjectName(QStringLiteral("grpPanels"));
    for (const TCommandRow& row : CCommands) {
        auto* action = new QAction(QString::fromUtf16(row.Caption), this);
        action->setObjectName(QString::fromLatin1(row.Name));
        const QString hint = QString::fromUtf16(row.Hint);
        if (!hint.isEmpty())
            action->setToolTip(hint);
        // The tool bar needs to know whether there is one; toolTip() never says.
        action->setProperty("hint", hint);
        if (row.Shortcut != None) {
            action->setShortcut(QKeySequence(row.Shortcut));
            // Shortcuts work while the window has the focus, wherever it is.
            action->setShortcutContext(Qt::WindowShortcut);
        }
        action->setProperty("picture", row.Picture);
        // The menu items show it too.
        if (row.Picture >= 0)
            action->setIcon(CommandPicture(row.Picture));
        action->setProperty("tag", row.Tag);
        action->setProperty("category", QString::fromUtf16(row.Category));
        if (row.Check != TCheckKind::None) {
            action->setCheckable(true);
            action->setChecked(row.Checked);
        }
        if (row.Check == TCheckKind::Radio)
            grpPanels->addAction(action);
        const QString preference = QString::fromUtf16(row.Preference);
        if (!preference.isEmpty())
            action->setProperty("preference", preference);
        if (row.Handler)
            Bind(action, row.Handler);
        else
            action->setEnabled(false);
        addAction(action);
        actList.append(action);
        this->*row.Member = action;
    }
}

QAction* TwinMain::Command(const QString& name) const
{
    for (QAction* action : actList)
        if (action->objectName() == name)
            return action;
    return nullptr;
}

void TwinMain::actHomeExecute()
{
    if (FRadio && !FRadio->Href().isEmpty())
        FServices.Browser->Open(FRadio->Href());
}

void TwinMain::actMenuExecute()
{
    if (FRadio && !FRadio->Menu().isEmpty())
        FServices.Browser->Open(FRadio->Menu());
}

void TwinMain::actBarToolExecute() { barTool->setVisible(actBarTool->isChecked()); }
void TwinMain::actBarLockExecute() { barTool->setMovable(!actBarLock->isChecked()); }
void TwinMain::actBarResetExecute() { ResetToolbar(barTool, actList); }

void TwinMain::actCustExecute()
{
    // The dialog works on the live bar; its result says nothing.
    Modal([&] {
        TwinToolbar dialog(this, actList, barTool);
        dialog.exec();
    });
}

void TwinMain::subBarTextPopup()
{
    const QList<QAction*> items = subBarText->actions();
    const int option = ToolbarTextOption(barTool);
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == option);
}

void TwinMain::subBarTextClick(QAction* item) { SetToolbarTextOption(subBarText->actions().indexOf(item), barTool); }

void TwinMain::actBarHintExecute() { barHint->setVisible(actBarHint->isChecked()); }
void TwinMain::actTopMostExecute() { SetTopMost(actTopMost->isChecked(), this, false); }

void TwinMain::actInsTrayExecute()
{
    SetTrayIcon(actInsTray->isChecked(), this, false);
    ConnectTrayIcon();
    UpdateNowPlaying();
}

void TwinMain::actSetupExecute()
{
    if (!FServices.DesktopInstall)
        return;
    // A fresh dialog each time: it loads what the window and the desktop hold now.
    Modal([&] {
        TwinSetup dialog(this, *this, *FServices.DesktopInstall, {actCheckUpdate, actDownload, actAssociate});
        dialog.exec();
    });
}
