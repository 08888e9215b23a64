// Station document commands, the recent-files list and the window state.
#include "vclMain.h"

#include "libConst.h"
#include "libError.h"
#include "libMsgBox.h"
#include "libPlaylist.h"
#include "libRadio.h"
#include "libRecent.h"
#include "libRegistry.h"
#include "libShell.h"
#include "libShortPath.h"
#include "vclEditors.h"
#include "vclFileDialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

#include <iterator>

namespace {

const QString SAskSave = QStringLiteral("当前电台内容已发生改变或尚未保存到文件。您希望将\r\n它保存到文件吗？");
const QString SRadioFilter = QStringLiteral("电台文件 (*.radio)");
const QString SPlaylistsCaption = QStringLiteral("播放列表");
const QString SAllFilesFilter = QStringLiteral("所有文件 (*)");
const QString SRadioExt = QStringLiteral(".radio");
const QString KeySavePath = QStringLiteral("SavePath");
const QString KeyOpenPath = QStringLiteral("OpenPath");

// Widths the recent-file captions are fitted to: entries added during the run
// get more room than the ones read at start-up.
constexpr int RecentLoadedWidth = 250;
constexpr int RecentAddedWidth = 300;

// A station name as a proposed file name. A "/" in the name would send the
// dialog into a folder that does not exist.
QString ProposedName(const TRadio& radio, const QString& ext)
{
    QString name = radio.DisplayText();
    name.replace(u'/', u'_');
    return ChangeFileExt(name, ext);
}

// An export format's caption and patterns ("*.wax;*.asx") as a Qt filter: Qt
// reads space-separated patterns from the last parentheses.
QString PatternFilter(const QString& caption, const QString& pattern)
{
    QString title = caption;
    const qsizetype paren = title.lastIndexOf(u'(');
    if (paren > 0)
        title = title.left(paren).trimmed();
    return title + QStringLiteral(" (") + pattern.split(u';', Qt::SkipEmptyParts).join(u' ') + u')';
}

QString RecentPath(const QAction* item) { return item->data().toString(); }

// The open dialog's filters: station files first, as before playlists could be
// opened, then every playlist pattern at once, each playlist type, any file.
QString OpenFilter()
{
    QStringList patterns;
    QStringList filters{SRadioFilter, QString()};
    for (const TPlaylistType& type : PlaylistTypes()) {
        patterns += type.Patterns;
        filters += PatternFilter(type.Caption, type.Patterns);
    }
    filters[1] = PatternFilter(SPlaylistsCaption, patterns.join(u';'));
    filters += SAllFilesFilter;
    return filters.join(QStringLiteral(";;"));
}

} // namespace

void TwinMain::CreateExportItems()
{
    // Export items are plain menu items, not commands: one per export format,
    // in the table's order. The hint holds the filter pattern, the data the
    // format's name.
    QAction** const items[] = {&btnSaveWAX, &btnSaveRAM, &btnSaveM3U, &btnSavePLS};
    static_assert(std::size(items) == std::tuple_size_v<TExportFormats>, "one export item per export format");
    for (std::size_t i = 0; i < std::size(items); ++i) {
        const TExportFormat& format = ExportFormats()[i];
        auto* item = new QAction(format.Caption, this);
        item->setStatusTip(format.Patterns);
        item->setData(format.Name);
        *items[i] = item;
    }
}

bool TwinMain::CheckModified()
{
    if (!FRadio || !FModified)
        return true;
    switch (AskYesNoCancel(SAskSave)) {
    case mrYes:
        actSaveExecute();
        // A cancelled or failed save leaves the changes unsaved: keep them.
        return !FModified;
    case mrNo: return true;
    default: return false;
    }
}

void TwinMain::OpenRadioFile(const QString& fileName, bool silent)
{
    if (!CheckModified())
        return;
    QString name = fileName;
    if (name.isEmpty() && !silent) {
        TFileDialogRequest request;
        request.Title = QStringLiteral("打开");
        request.Filter = OpenFilter();
        request.StartFolder = DialogFolder(KeyOpenPath);
        name = Modal([&] { return FServices.FileDialogs->Open(this, request); });
        if (!name.isEmpty())
            RememberDialogFolder(KeyOpenPath, name);
    }
    if (name.isEmpty())
        return;
    // A relative name (from a command line) would mean another file once the
    // working folder differs, as it does for the recent-files list.
    name = QFileInfo(name).absoluteFilePath();

    // A playlist becomes a new station that has no file yet: Save asks where
    // to put it, and the playlist itself is never written over.
    const bool playlist = IsPlaylistFile(name);
    TRadio radio;
    try {
        if (playlist)
            ImportPlaylistFile(name, radio);
        else
            radio.LoadFromFile(name);
    } catch (const EProgramError& error) {
        if (!silent)
            ShowMessageBox(error.Message(), TMsgIcon::Error);
        return;
    }

    ReplaceDocument(&radio, playlist ? QString() : name, playlist);
    AddRecentFile(name);
    if (FAutoPlay)
        actPlay->trigger();
}

void TwinMain::ReplaceDocument(const TRadio* radio, const QString& fileName, bool modified)
{
    actStopExecute();
    if (!radio) {
        FRadio.reset();
    } else {
        if (!FRadio)
            FRadio = std::make_unique<TRadio>();
        FRadio->Assign(*radio);
    }
    ++FDocStamp;
    FFileName = fileName;
    FModified = modified;
    FillLinkList();
    UpdateWindowState();
}

void TwinMain::SaveRadioFile(const QString& fileName)
{
    if (!FRadio)
        return;
    const quint64 stamp = FDocStamp;
    QString name = fileName;
    if (name.isEmpty()) {
        TFileDialogRequest request;
        request.Title = QStringLiteral("另存为");
        request.Filter = SRadioFilter;
        request.StartFolder = DialogFolder(KeySavePath);
        request.ProposedName = ProposedName(*FRadio, SRadioExt);
        request.DefaultSuffix = SRadioExt.mid(1);
        name = Modal([&] { return FServices.FileDialogs->Save(this, request); });
        // Only the station the dialog was opened for is saved.
        if (name.isEmpty() || !FRadio || FDocStamp != stamp)
            return;
        RememberDialogFolder(KeySavePath, name);
        name = ChangeFileExt(name, SRadioExt);
    } else {
        // A station opened under another extension is saved beside it as a
        // station file; one that is there already is replaced only on a Yes.
        const QString target = ChangeFileExt(name, SRadioExt);
        if (target != name && QFileInfo::exists(target)) {
            if (!AskYesNo(Const::SAskReplaceFile.arg(target)))
                return;
            if (!FRadio || FDocStamp != stamp)
                return;
        }
        name = target;
    }

    try {
        FRadio->SaveToFile(name, sfStation);
    } catch (const EProgramError& error) {
        ShowMessageBox(error.Message(), TMsgIcon::Error);
        return;
    }
    FFileName = name;
    FModified = false;
    AddRecentFile(name);
    UpdateWindowState();
}

void TwinMain::AddRecentFile(const QString& path)
{
    FRecent.Add(path);
    // The menu mirrors the list; items that stay keep the caption they were
    // made with (loaded entries are shortened to another width).
    const QStringList kept = FRecent.Paths().mid(1);
    for (QAction* item : subRecent->actions()) {
        if (!kept.contains(RecentPath(item))) {
            subRecent->removeAction(item);
            // The item may be the one whose click is opening this path.
            item->deleteLater();
        }
    }
    const QList<QAction*> items = subRecent->actions();
    subRecent->insertAction(items.isEmpty() ? nullptr : items.first(), NewRecentItem(path, RecentAddedWidth));
}

QAction* TwinMain::NewRecentItem(const QString& path, int width)
{
    const QFontMetrics metrics = menuBar()->fontMetrics();
    QString caption = ShortenPath(path, width, [&](const QString& text) { return metrics.horizontalAdvance(text); });
    // An "&" in a folder name is part of the path, not a mnemonic.
    caption.replace(u'&', QStringLiteral("&&"));
    auto* item = new QAction(caption, subRecent);
    item->setData(path);
    item->setStatusTip(path);
    item->setToolTip(path);
    connect(item, &QAction::triggered, this, [this, item] { Guarded([&] { subRecentsClick(item); }); });
    return item;
}

QStringList TwinMain::RecentFiles() const { return FRecent.Paths(); }

void TwinMain::LoadRecentFiles()
{
    FRecent.Load(ComponentFilePath(QStringLiteral("winMain"), QStringLiteral("subRecent")));
    for (const QString& path : FRecent.Paths())
        subRecent->addAction(NewRecentItem(path, RecentLoadedWidth));
}

void TwinMain::SaveRecentFiles()
{
    FRecent.Save(ComponentFilePath(QStringLiteral("winMain"), QStringLiteral("subRecent")));
}

void TwinMain::UpdateWindowState()
{
    const bool open = FRadio != nullptr;
    for (QAction* action : {actEdit, actSave, actPlay, actStop, actClose, actAddLink})
        action->setEnabled(open);
    actSaveAs->setEnabled(actSave->isEnabled());
    actMenu->setEnabled(open && !FRadio->Menu().isEmpty());
    actHome->setEnabled(open && !FRadio->Href().isEmpty());
    actDelLink->setEnabled(open && !boxLinks->selectedItems().isEmpty());
    actEditLink->setEnabled(actDelLink->isEnabled());
    actCopyLink->setEnabled(actDelLink->isEnabled());

    const QString caption = open ? FRadio->DisplayText() + (FModified ? QStringLiteral("*") : QString())
                                       + QStringLiteral(" - ") + FProductName
                                 : FProductName;
    setWindowTitle(caption);
    SetApplicationTitle(caption);
    UpdateNowPlaying();
    // A tray menu shown over D-Bus may not ask before it opens.
    popTrayPopup();
}

void TwinMain::actNewExecute()
{
    if (!CheckModified())
        return;
    TRadio radio;
    if (Modal([&] { return FServices.Editors->EditRadio(this, &radio); }) == mrCancel)
        return;
    ReplaceDocument(&radio, QString(), true);
    actAddLink->trigger();
}

void TwinMain::actOpenExecute() { OpenRadioFile(QString(), false); }

void TwinMain::actSaveExecute() { SaveRadioFile(FFileName); }

void TwinMain::actSaveAsExecute() { SaveRadioFile(QString()); }

void TwinMain::actCloseExecute()
{
    if (!CheckModified())
        return;
    ReplaceDocument(nullptr, QString(), false);
}

void TwinMain::actEditExecute()
{
    if (!FRadio)
        return;
    const quint64 stamp = FDocStamp;
    if (Modal([&] { return FServices.Editors->EditRadio(this, FRadio.get()); }) == mrOk && FRadio
        && FDocStamp == stamp) {
        FModified = true;
        UpdateWindowState();
    }
}

void TwinMain::actExitExecute()
{
    if (!CheckModified())
        return;
    FClosing = true;
    close();
    // A later start that hands over meanwhile waits, and is answered as not
    // taken once the program ends.
    Modal([] { QCoreApplication::processEvents(); });
    QCoreApplication::quit();
}

void TwinMain::btnSaveWAXClick(QAction* sender)
{
    const TExportFormat* format = FindExportFormat(sender->data().toString());
    if (!FRadio || !format)
        return;

    TFileDialogRequest request;
    request.Title = QStringLiteral("导出为");
    request.Filter = PatternFilter(format->Caption, format->Patterns);
    request.StartFolder = StationFolder();
    request.ProposedName = ProposedName(*FRadio, format->Ext);
    request.DefaultSuffix = format->Ext.mid(1);
    const quint64 stamp = FDocStamp;
    const QString name = Modal([&] { return FServices.FileDialogs->Save(this, request); });
    if (name.isEmpty() || !FRadio || FDocStamp != stamp)
        return;
    // Failures go to the caller's exception box.
    FRadio->SaveToFile(ChangeFileExt(name, format->Ext), format->Format);
}

void TwinMain::subRadioPopup() { subRecent->menuAction()->setEnabled(!subRecent->actions().isEmpty()); }

void TwinMain::subRecentsClick(QAction* item) { OpenRadioFile(RecentPath(item), false); }

QString TwinMain::DialogFolder(const QString& key) const
{
    TExeRegistry registry;
    registry.OpenProgramKey();
    QString folder = ReadStringOr(registry, key, QString());
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = StationFolder();
    return folder;
}

void TwinMain::RememberDialogFolder(const QString& key, const QString& file)
{
    TExeRegistry registry;
    if (!registry.OpenProgramKey())
        return;
    try {
        registry.WriteString(key, QFileInfo(file).absolutePath() + u'/');
    } catch (const EProgramError&) {
        // Remembering the folder is a convenience; the user's command goes on.
    }
    registry.CloseKey();
}
