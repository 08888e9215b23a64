#include "vclFileDialogs.h"

#include "libConst.h"
#include "libMsgBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString ChangeFileExt(const QString& fileName, const QString& ext)
{
    const qsizetype nameStart = fileName.lastIndexOf(u'/') + 1;
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot > nameStart)
        return fileName.left(dot) + ext;
    return fileName + ext;
}

QString TQtFileDialogs::Open(QWidget* parent, const TFileDialogRequest& request)
{
    return QFileDialog::getOpenFileName(parent, request.Title, request.StartFolder, request.Filter);
}

QString TQtFileDialogs::Save(QWidget* parent, const TFileDialogRequest& request)
{
    QString start =
        request.ProposedName.isEmpty() ? request.StartFolder : QDir(request.StartFolder).filePath(request.ProposedName);
    // Until the user picks a file that may be written, or gives up.
    for (;;) {
        QFileDialog dialog(parent, request.Title, start, request.Filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.DefaultSuffix);
        // The dialog would ask about the typed name, not the file written.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        QString name = dialog.selectedFiles().constFirst();
        if (!request.DefaultSuffix.isEmpty())
            name = ChangeFileExt(name, u'.' + request.DefaultSuffix);
        start = name;
        const QFileInfo target(name);
        if (!target.absoluteDir().exists()) {
            ShowMessageBox(Const::SFolderMissing.arg(QDir::toNativeSeparators(target.absolutePath())),
                           TMsgIcon::Warning);
            continue;
        }
        if (target.isDir())
            continue;
        if (request.AskOverwrite && target.exists() && !AskYesNo(Const::SAskReplaceFile.arg(target.fileName())))
            continue;
        return name;
    }
}
