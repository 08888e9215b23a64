#pragma once
// The about box: the banner, the program's name, internal name and version
// and its copyright from the version record of the running program, then its
// description and two credit lines. Its help button runs the window's help
// command and leaves the box open; the caller shows it modally.

#include "libExeInfo.h"

#include <QDialog>

class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "name(internal name) version"; a missing part stays empty, its brackets not.
QString AboutProductLine(const TExeInfo& info);

class TwinAbout final : public QDialog
{
    Q_OBJECT
public:
    // help: the window's help command, run by the help button; the caption is
    // the owner's at this moment.
    TwinAbout(QWidget* owner, QAction* help);
    ~TwinAbout() override;

    QLabel* Image1;
    QLabel* lblProduct;
    QLabel* lblCopyright;
    QPlainTextEdit* boxMemo;
    QPushButton* btnOK;
    QPushButton* btnHelp;

private:
    QAction* FHelp;
};
