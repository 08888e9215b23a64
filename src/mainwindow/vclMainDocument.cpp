// Station document commands, the recent-files list and the window state.
#include "vclMain.h"

#include "libRadio.h"

#include <QAction>
#include <QKeySequence>

void TwinMain::CreateDocumentActions()
{
    actNew = NewAction(QStringLiteral("新建(&N)..."), QKeySequence(Qt::CTRL | Qt::Key_N));
    actOpen = NewAction(QStringLiteral("打开(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    actSave = NewAction(QStringLiteral("保存(&S)..."), QKeySequence(Qt::CTRL | Qt::Key_S));
    actSaveAs = NewAction(QStringLiteral("另存为(&A)..."));
    actClose = NewAction(QStringLiteral("关闭(&C)"));
    actEdit = NewAction(QStringLiteral("信息(&R)"));
    actExit = NewAction(QStringLiteral("退出(&X)"));
    Bind(actNew, &TwinMain::actNewExecute);
    Bind(actOpen, &TwinMain::actOpenExecute);
    Bind(actSave, &TwinMain::actSaveExecute);
    Bind(actSaveAs, &TwinMain::actSaveAsExecute);
    Bind(actClose, &TwinMain::actCloseExecute);
    Bind(actEdit, &TwinMain::actEditExecute);
    Bind(actExit, &TwinMain::actExitExecute);

    // Export items are plain menu items, not commands; the hint holds the
    // filter pattern.
    auto exportItem = [this](const QString& caption, const QString& pattern) {
        auto* item = new QAction(caption, this);
        item->setStatusTip(pattern);
        return item;
    };
    btnSaveWAX = exportItem(QStringLiteral("Windows Media Metafile(*.asx,*.wax,*.wvx)"), QStringLiteral("*.wax;*.asx;*.wvx"));
    btnSaveRAM = exportItem(QStringLiteral("RealPlayer RAM File(*.ram)"), QStringLiteral("*.ram"));
    btnSaveM3U = exportItem(QStringLiteral("MP3 URL File(*.m3u)"), QStringLiteral("*.m3u"));
    btnSavePLS = exportItem(QStringLiteral("Shoutcast Playlist(*.pls)"), QStringLiteral("*.pls"));
}

bool TwinMain::CheckModified() { return true; }
void TwinMain::OpenRadioFile(const QString& fileName, bool silent)
{
    Q_UNUSED(silent);
    if (fileName.isEmpty())
        return;
    auto radio = std::make_unique<TRadio>();
    try {
        radio->LoadFromFile(fileName);
    } catch (const std::exception&) {
        return;
    }
    FRadio = std::move(radio);
    FFileName = fileName;
    FModified = false;
    FillLinkList();
    UpdateWindowState();
}
void TwinMain::SaveRadioFile(const QString&) {}
void TwinMain::AddRecentFile(const QString&) {}
void TwinMain::LoadRecentFiles() {}
void TwinMain::SaveRecentFiles() {}
void TwinMain::UpdateWindowState()
{
    const bool open = FRadio != nullptr;
    for (QAction* action : {actEdit, actSave, actSaveAs, actPlay, actStop, actClose, actAddLink})
        action->setEnabled(open);
    setWindowTitle(open ? FRadio->DisplayText() + (FModified ? QStringLiteral("*") : QString())
                              + QStringLiteral(" - ") + FProductName
                        : FProductName);
    UpdateNowPlaying();
}
void TwinMain::actNewExecute() {}
void TwinMain::actOpenExecute() {}
void TwinMain::actSaveExecute() {}
void TwinMain::actSaveAsExecute() {}
void TwinMain::actCloseExecute() {}
void TwinMain::actEditExecute() {}
void TwinMain::actExitExecute()
{
    FClosing = true;
    close();
}
void TwinMain::btnSaveWAXClick(QAction*) {}
void TwinMain::subRadioPopup() {}
void TwinMain::subRecentsClick(QAction*) {}
QString TwinMain::DialogFolder(const QString&) const { return {}; }
void TwinMain::RememberDialogFolder(const QString&, const QString&) {}
