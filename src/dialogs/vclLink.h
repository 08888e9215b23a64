#pragma once
// The link editor: name, stream address and kind of one listening link. It
// edits the caller's link in place and answers mrOk when it wrote, mrNo when
// OK was pressed on an unchanged link and mrCancel when it was closed.

#include "vclDialogFrame.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TRadioLink;
class TSizeGrip;

class TwinLink final : public TEditorDialog
{
    Q_OBJECT
public:
    TwinLink(QWidget* owner, TRadioLink* link);
    ~TwinLink() override;

    // The OK button: checks the address, then closes with mrNo or writes the
    // link and closes with mrOk. A refused address leaves the dialog open.
    void btnOKClick() override;

    bool Changed() const { return FChanged; }

    QLineEdit* edtText;
    QComboBox* cboKind;
    QLineEdit* edtLink;
    QLineEdit* edtBest;
    QLineEdit* edtShit;
    QPushButton* btnOK;
    QPushButton* btnNO;
    TSizeGrip* ctlSizeGrip;

private:
    void FormCreate();
    void FormShow();
    void Refuse(const QString& text);

    TRadioLink* FLink;
    bool FChanged = false;
};
