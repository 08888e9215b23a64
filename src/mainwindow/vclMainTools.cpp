// The tools menu: the update check, the download of the installation
// package, and the program's installation into the desktop.
#include "vclFollow.h"
#include "vclMain.h"

#include "libDesktopInstall.h"
#include "libShell.h"
#include "libUpdate.h"
#include "libWeb.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void TwinMain::CreateToolMenu()
{
    subTool = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    subTool->setObjectName(QStringLiteral("subTool"));
    subTool->addAction(actCheckUpdate);
    subTool->addAction(actDownload);
    subTool->addSeparator();

    // The menu's caption is shorter than the command's; the item follows the
    // command's state and runs the command itself.
    btnAssociate = FollowCommand(subTool->addAction(QStringLiteral("修复文件关联(&S)")), actAssociate);
    btnAssociate->setObjectName(QStringLiteral("btnAssociate"));

    subInstall = subTool->addMenu(QStringLiteral("安装本软件到(&T)"));
    subInstall->setObjectName(QStringLiteral("subInstall"));
    const QString places[] = {QStringLiteral("开始菜单程序组"), QStringLiteral("快速启动栏快捷方式"),
                              QStringLiteral("桌面快捷方式")};
    for (int kind = 0; kind < 3; ++kind) {
        QAction* item = subInstall->addAction(places[kind]);
        connect(item, &QAction::triggered, this, [this, kind] { Guarded([&] { subInstallClick(kind); }); });
    }
    subTool->addSeparator();
    subTool->addAction(actSetup);

    if (!FServices.DesktopInstall) {
        actAssociate->setEnabled(false);
        subInstall->menuAction()->setEnabled(false);
    }
}

void TwinMain::StartUpdateCheck(bool silent)
{
    actCheckUpdate->setEnabled(false);
    auto* check = new TUpdateCheck(silent, FServices.Network, TUpdateCheckSetup::Program(FServices.UpdateLimits), this);
    // Queued: the boxes run the event loop, and they must not run it inside
    // the network reply's own signal.
    connect(
        check, &TUpdateCheck::Finished, this, [this, check] { UpdateCheckFinished(check); }, Qt::QueuedConnection);
    check->Start();
}

void TwinMain::UpdateCheckFinished(TUpdateCheck* check)
{
    // Taken before any box opens: the check object goes now, and the answer
    // may arrive while another dialog of the window is open.
    const TUpdateOutcome outcome = check->Outcome();
    const TUpdateReport report = UpdateReport(outcome, check->Silent());
    check->deleteLater();
    // A window that is closing asks nothing more.
    if (!FDestroyed) {
        Guarded([&] {
            if (report.Kind == TUpdateReport::Question) {
                if (AskYesNo(report.Text))
                    FServices.Browser->Open(outcome.Address);
            } else if (report.Kind == TUpdateReport::ErrorMessage) {
                ShowMessageBox(report.Text, TMsgIcon::Error);
            }
        });
    }
    UpdateCheckDone();
}

void TwinMain::UpdateCheckDone() { actCheckUpdate->setEnabled(true); }

void TwinMain::actCheckUpdateExecute() { StartUpdateCheck(false); }

void TwinMain::actDownloadExecute() { FServices.Browser->Open(PackageAddress()); }

void TwinMain::actAssociateExecute()
{
    if (FServices.DesktopInstall)
        FServices.DesktopInstall->RegisterFileType();
}

void TwinMain::subInstallClick(int kind)
{
    if (FServices.DesktopInstall)
        FServices.DesktopInstall->InstallShortcut(kind);
}
