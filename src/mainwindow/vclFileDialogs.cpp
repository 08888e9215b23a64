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
  const QFileDialog::Options options =
      request.AskOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
  return QFileDialog::getSaveFileName(parent, request.Title, start, request.Filter, nullptr, options);
}
