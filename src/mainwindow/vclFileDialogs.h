#pragma once
// The open and save dialogs behind one replaceable service, so widget tests
// can answer them without a window appearing.

#include <QString>

class QWidget;

struct TFileDialogRequest
{
  QString Title;
  QString Filter;       // Qt filter text, e.g. "电台文件 (*.radio)"
  QString StartFolder;
  QString ProposedName; // save only
  // Save only: added to a typed name without extension before the dialog
  // checks for an existing file, so the overwrite question sees the real name.
  QString DefaultSuffix;
  bool AskOverwrite = true;
};

class IFileDialogs
{
public:
  virtual ~IFileDialogs() = default;
  // The chosen path, or an empty string when the user cancels.
  virtual QString Open(QWidget *parent, const TFileDialogRequest &request) = 0;
  virtual QString Save(QWidget *parent, const TFileDialogRequest &request) = 0;
};

// The real dialogs (QFileDialog).
class TQtFileDialogs : public IFileDialogs
{
public:
  QString Open(QWidget *parent, const TFileDialogRequest &request) override;
  QString Save(QWidget *parent, const TFileDialogRequest &request) override;
};
