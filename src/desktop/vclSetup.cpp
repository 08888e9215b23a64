#include "vclSetup.h"

#include "libDesktopInstall.h"
#include "libError.h"
#include "libMsgBox.h"
#include "libOptions.h"
#include "libRegistry.h"
#include "vclDialogFrame.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString KeyAutoMini = QStringLiteral("AutoMini");

QCheckBox* NewBox(const QString& caption, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QPushButton* NewButton(const QString& caption, const char* name, QWidget* parent)
{
    QPushButton* button = NewDialogButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// An installation service's failure is shown as any unexpected error is; the
// dialog stays open.
template <class F> void Reported(F&& step)
{
    try {
        step();
    } catch (const std::exception& error) {
        ShowUnexpectedError(QString::fromUtf8(error.what()));
    }
}

} // namespace

TwinSetup::TwinSetup(QWidget* owner, IWindowOptions& window, IDesktopInstall& install, const TSetupCommands& commands)
    : QDialog(owner), FWindow(window), FInstall(install), FCommands(commands)
{
    setObjectName(QStringLiteral("winSetup"));
    setWindowTitle(QStringLiteral("设置选项"));

    pgcSetup = new QTabWidget(this);
    pgcSetup->setObjectName(QStringLiteral("pgcSetup"));

    auto* general = new QWidget;
    auto* run = new QGroupBox(QStringLiteral("运行"), general);
    chkAutoRun = NewBox(QStringLiteral("系统启动时自动运行(&F)"), "chkAutoRun", run);
    chkInsTray = NewBox(QStringLiteral("最小化到系统任务栏(&I)"), "chkInsTray", run);
    chkAutoMini = NewBox(QStringLiteral("启动时最小化(&M)"), "chkAutoMini", run);
    chkTopMost = NewBox(QStringLiteral("保持在其它窗口前端(&T)"), "chkTopMost", run);
    auto* runLayout = new QGridLayout(run);
    runLayout->addWidget(chkAutoRun, 0, 0, 1, 2);
    runLayout->addWidget(chkInsTray, 1, 0);
    runLayout->addWidget(chkAutoMini, 1, 1);
    runLayout->addWidget(chkTopMost, 2, 0, 1, 2);

    auto* listen = new QGroupBox(QStringLiteral("收听"), general);
    chkAutoPlay = NewBox(QStringLiteral("打开电台时自动播放(&P)"), "chkAutoPlay", listen);
    chkMSNTitle = NewBox(QStringLiteral("将以下内容显示到 MSN Messenger 个人消息(&R)"), "chkMSNTitle", listen);
    chkMSNRadio = new QRadioButton(QStringLiteral("电台名称(&N)"), listen);
    chkMSNRadio->setObjectName(QStringLiteral("chkMSNRadio"));
    chkMSNAct = new QRadioButton(QStringLiteral("当前节目(&H)"), listen);
    chkMSNAct->setObjectName(QStringLiteral("chkMSNAct"));
    // The two are one choice, whatever else the group box holds.
    auto* mode = new QButtonGroup(this);
    mode->addButton(chkMSNRadio);
    mode->addButton(chkMSNAct);
    chkNotify = NewBox(QStringLiteral("节目标题改变时显示桌面通知(&B)"), "chkNotify", listen);
    chkReconnect = NewBox(QStringLiteral("连接断开时自动重新连接(&L)"), "chkReconnect", listen);
    chkReconnect->setAccessibleName(QStringLiteral("连接断开时自动重新连接"));
    auto* listenLayout = new QGridLayout(listen);
    listenLayout->addWidget(chkAutoPlay, 0, 0, 1, 3);
    listenLayout->addWidget(chkMSNTitle, 1, 0, 1, 3);
    listenLayout->setColumnMinimumWidth(0, 16);
    listenLayout->addWidget(chkMSNRadio, 2, 1);
    listenLayout->addWidget(chkMSNAct, 2, 2);
    listenLayout->addWidget(chkNotify, 3, 0, 1, 3);
    listenLayout->addWidget(chkReconnect, 4, 0, 1, 3);

    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(run);
    generalLayout->addWidget(listen);
    generalLayout->addStretch();
    pgcSetup->addTab(general, QStringLiteral("常规"));

    auto* installPage = new QWidget;
    auto* shortcuts = new QGroupBox(QStringLiteral("快捷方式"), installPage);
    chkPROGRAM = NewBox(QStringLiteral("创建开始菜单程序组(&F)"), "chkPROGRAM", shortcuts);
    chkQKLUNCH = NewBox(QStringLiteral("创建快速启动栏快捷方式(&Q)"), "chkQKLUNCH", shortcuts);
    chkDESKTOP = NewBox(QStringLiteral("创建桌面快捷方式(&T)"), "chkDESKTOP", shortcuts);
    for (QCheckBox* box : {chkPROGRAM, chkQKLUNCH, chkDESKTOP})
        box->setChecked(true);
    btnInstall = NewButton(QStringLiteral("立即创建(&B)"), "btnInstall", shortcuts);
    auto* shortcutLayout = new QVBoxLayout(shortcuts);
    for (QCheckBox* box : {chkPROGRAM, chkQKLUNCH, chkDESKTOP})
        shortcutLayout->addWidget(box);
    shortcutLayout->addWidget(btnInstall, 0, Qt::AlignRight);
    btnAssociate = NewButton(QStringLiteral("修复文件关联(&A)"), "btnAssociate", installPage);
    Button3 = NewButton(QStringLiteral("检查程序更新(&C)"), "Button3", installPage);
    Button1 = NewButton(QStringLiteral("下载安装程序(&D)"), "Button1", installPage);
    auto* updateRow = new QHBoxLayout;
    updateRow->addWidget(Button3);
    updateRow->addWidget(Button1, 1);
    auto* installLayout = new QVBoxLayout(installPage);
    installLayout->addWidget(shortcuts);
    installLayout->addWidget(btnAssociate);
    installLayout->addLayout(updateRow);
    installLayout->addStretch();
    pgcSetup->addTab(installPage, QStringLiteral("安装"));

    btnOK = NewButton(QStringLiteral("确定(&Y)"), "btnOK", this);
    btnNO = NewButton(QStringLiteral("取消(&N)"), "btnNO", this);
    btnDO = NewButton(QStringLiteral("应用(&A)"), "btnDO", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {btnOK, btnNO, btnDO})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pgcSetup, 1);
    layout->addLayout(buttons);
    // Room for the grip in the corner.
    layout->setContentsMargins(8, 8, 8, 14);

    for (QAbstractButton* box :
         std::initializer_list<QAbstractButton*>{chkAutoRun, chkInsTray, chkAutoMini, chkTopMost, chkAutoPlay,
                                                 chkMSNRadio, chkMSNAct, chkNotify, chkReconnect})
        connect(box, &QAbstractButton::clicked, this, [this] { chkAutoRunClick(); });
    connect(chkMSNTitle, &QAbstractButton::clicked, this, [this] { chkMSNTitleClick(); });
    for (QCheckBox* box : {chkPROGRAM, chkQKLUNCH, chkDESKTOP})
        connect(box, &QAbstractButton::clicked, this, [this] { chkPROGRAMClick(); });
    connect(btnInstall, &QPushButton::clicked, this, [this] { btnInstallClick(); });
    const auto run_ = [](QAction* command) {
        if (command)
            command->trigger();
    };
    connect(btnAssociate, &QPushButton::clicked, this, [this, run_] { run_(FCommands.Associate); });
    connect(Button3, &QPushButton::clicked, this, [this, run_] { run_(FCommands.CheckUpdate); });
    connect(Button1, &QPushButton::clicked, this, [this, run_] { run_(FCommands.Download); });
    connect(btnDO, &QPushButton::clicked, this, [this] { btnDOClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnNO, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

TwinSetup::~TwinSetup()
{
    try {
        SaveDialogPlacement(this);
    } catch (const std::exception&) {
        // A placement that cannot be written costs only the next opening's size.
    }
}

void TwinSetup::FormCreate()
{
    TExeRegistry registry;
    if (registry.OpenProgramKey()) {
        chkAutoMini->setChecked(ReadBoolOr(registry, KeyAutoMini, chkAutoMini->isChecked()));
        registry.CloseKey();
    }
    chkAutoRun->setChecked(FInstall.StartsWithSession());
    SetupResizableDialog(this, QSize(343, 285));
}

void TwinSetup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TwinSetup::FormShow()
{
    chkPROGRAMClick();
    const TWindowOptions options = FWindow.Options();
    chkTopMost->setChecked(options.TopMost);
    chkInsTray->setChecked(options.InsTray);
    chkAutoPlay->setChecked(options.AutoPlay);
    chkMSNTitle->setChecked(options.MSNTitle);
    (options.MSNTitleMode == 1 ? chkMSNAct : chkMSNRadio)->setChecked(true);
    chkNotify->setChecked(options.Notify);
    chkReconnect->setChecked(options.Reconnect);
    chkMSNRadio->setEnabled(chkMSNTitle->isChecked());
    chkMSNAct->setEnabled(chkMSNTitle->isChecked());
    btnDO->setEnabled(false);
}

void TwinSetup::chkAutoRunClick() { btnDO->setEnabled(true); }

void TwinSetup::chkMSNTitleClick()
{
    btnDO->setEnabled(true);
    // Greyed, not cleared: the choice comes back with the box.
    chkMSNRadio->setEnabled(chkMSNTitle->isChecked());
    chkMSNAct->setEnabled(chkMSNTitle->isChecked());
}

void TwinSetup::chkPROGRAMClick()
{
    btnInstall->setEnabled(chkPROGRAM->isChecked() || chkQKLUNCH->isChecked() || chkDESKTOP->isChecked());
}

void TwinSetup::btnInstallClick()
{
    const QCheckBox* const boxes[] = {chkPROGRAM, chkQKLUNCH, chkDESKTOP};
    for (int kind = 0; kind < 3; ++kind) {
        if (boxes[kind]->isChecked())
            Reported([&] { FInstall.InstallShortcut(kind); });
    }
}

void TwinSetup::btnDOClick()
{
    {
        TExeRegistry registry;
        if (registry.OpenProgramKey()) {
            registry.WriteBool(KeyAutoMini, chkAutoMini->isChecked());
            registry.CloseKey();
        }
    }
    // Unticked removes any entry of the program's, also one it would not
    // have written itself.
    Reported([&] { FInstall.SetStartsWithSession(chkAutoRun->isChecked()); });
    TWindowOptions options = FWindow.Options();
    options.TopMost = chkTopMost->isChecked();
    options.InsTray = chkInsTray->isChecked();
    options.AutoPlay = chkAutoPlay->isChecked();
    options.MSNTitle = chkMSNTitle->isChecked();
    options.MSNTitleMode = chkMSNAct->isChecked() ? 1 : 0;
    options.Notify = chkNotify->isChecked();
    options.Reconnect = chkReconnect->isChecked();
    FWindow.ApplyOptions(options);
    btnDO->setEnabled(false);
}

void TwinSetup::btnOKClick()
{
    if (btnDO->isEnabled())
        btnDOClick();
    accept();
}
