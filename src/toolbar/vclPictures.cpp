#include "vclPictures.h"

#include <QFile>

#include <iterator>

namespace {

// In picture-index order, as the command table numbers them.
const char* const CPictureNames[] = {
    "document-new",         // actNew
    "document-open",        // actOpen
    "document-save",        // actSave
    "document-save-as",     // actSaveAs
    "edit-copy",            // actCopyLink
    "document-properties",  // actEdit: the station's details
    "x-office-calendar",    // actMenu: the programme guide
    "media-playback-start", // actPlay
    "media-playback-stop",  // actStop
    "audio-volume-muted",   // actMute
    "audio-volume-high",    // actVolume: the volume panel
    "insert-link",          // actLinks: the listening links
    "preferences-system",   // actSetup
    "internet-group-chat",  // actClub: the listeners' forum
    "help-contents",        // actHelp
};

bool GThemePictures = true;

} // namespace

int CommandPictureCount() { return int(std::size(CPictureNames)); }

QString CommandPictureName(int index)
{
    if (index < 0 || index >= CommandPictureCount())
        return QString();
    return QString::fromLatin1(CPictureNames[index]);
}

QIcon OwnCommandPicture(int index)
{
    const QString name = CommandPictureName(index);
    if (name.isEmpty())
        return QIcon();
    return QIcon(QStringLiteral(":/pictures/") + name + QStringLiteral(".svg"));
}

QIcon NamedPicture(const QString& name)
{
    const QString file = QStringLiteral(":/pictures/") + name + QStringLiteral(".svg");
    const QIcon own = QFile::exists(file) ? QIcon(file) : QIcon();
    if (!GThemePictures)
        return own;
    return QIcon::fromTheme(name, own);
}

QIcon CommandPicture(int index)
{
    const QString name = CommandPictureName(index);
    return name.isEmpty() ? QIcon() : NamedPicture(name);
}

void UseThemePictures(bool on) { GThemePictures = on; }
