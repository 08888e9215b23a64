#include "vclFileDialogs.h"

#include <QDir>
#include <QFileDialog>

QString TQtFileDialogs::Open(QWidget *parent, const TFileDialogRequest &request)
{
  return QFileDialog::getOpenFileName(parent, request.Title, request.StartFolder, request.Filter);
}

QString TQtFileDialogs::Save(QWidget *parent, const TFileDialogRequest &request)
{
  const QString start = request.ProposedName.isEmpty()
                            ? request.StartFolder
                            : QDir(request.StartFolder).filePath(request.ProposedName);
  QFileDialog dialog(parent, request.Title, start, request.Filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(request.DefaultSuffix);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.AskOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  return dialog.selectedFiles().constFirst();
}
