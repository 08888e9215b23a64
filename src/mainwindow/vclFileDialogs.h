#pragma once
// The open and save dialogs behind one replaceable service, so widget tests
// can answer them without a window appearing.

#include <QString>

class QWidget;

struct TFileDialogRequest
{
    QString Title;
    QString Filter; // Qt filter text, e.g. "电台文件 (*.radio)"
    QString StartFolder;
    QString ProposedName; // save only
    // Save only: the extension (without its dot) of the file that is written.
    // It replaces a typed one ("CRI.FM" is saved as "CRI.radio"), and the
    // overwrite question and the folder check are about that file.
    QString DefaultSuffix;
    bool AskOverwrite = true;
};

// Replaces the extension of the file name (the part after its last dot) or
// adds one. A leading dot names a hidden file here, not an extension.
QString ChangeFileExt(const QString& fileName, const QString& ext);

class IFileDialogs
{
public:
    virtual ~IFileDialogs() = default;
    // The chosen path, or an empty string when the user cancels.
    virtual QString Open(QWidget* parent, const TFileDialogRequest& request) = 0;
    virtual QString Save(QWidget* parent, const TFileDialogRequest& request) = 0;
};

// The real dialogs (QFileDialog). Save answers only a file in an existing
// folder, and asks before an existing file is replaced.
class TQtFileDialogs : public IFileDialogs
{
public:
    QString Open(QWidget* parent, const TFileDialogRequest& request) override;
    QString Save(QWidget* parent, const TFileDialogRequest& request) override;
};
