// The help menu: the manual, the maker's web pages and the about box; and the
// station menu's way to the online station library.
#include "vclFollow.h"
#include "vclMain.h"

#include "libShell.h"
#include "libWeb.h"
#include "vclAbout.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

void TwinMain::CreateHelpMenu()
{
    subHelp = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    subHelp->setObjectName(QStringLiteral("subHelp"));
    subHelp->addAction(actHelp);
    subHelp->addSeparator();
    subHelp->addAction(actKestrel);
    subHelp->addAction(actClub);
    subHelp->addSeparator();
    subHelp->addAction(actAbout);
}

void TwinMain::CreateOpenLibItem()
{
    // The station menu words it as a place to connect to; the item follows the
    // command's state and runs the command itself.
    btnOpenLib = FollowCommand(subRadio->addAction(QStringLiteral("连接到在线电台库(&H)...")), actOpenLib);
    btnOpenLib->setObjectName(QStringLiteral("btnOpenLib"));
}

void TwinMain::actHelpExecute()
{
    const QString file =
        FServices.HelpFile.isEmpty() ? ShippedDataFolder() + QStringLiteral("/help/index.html") : FServices.HelpFile;
    // A program installed without its manual has nothing to show.
    if (QFileInfo(file).isFile())
        FServices.Browser->Open(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString(QUrl::FullyEncoded));
}

void TwinMain::actKestrelExecute() { FServices.Browser->Open(ProductHomeAddress()); }
void TwinMain::actClubExecute() { FServices.Browser->Open(ForumAddress()); }
void TwinMain::actOpenLibExecute() { FServices.Browser->Open(StationLibraryAddress()); }

void TwinMain::actAboutExecute()
{
    // Its help button runs actHelp while it stays open; the result says nothing.
    Modal([&] {
        TwinAbout box(this, actHelp);
        box.exec();
    });
}
