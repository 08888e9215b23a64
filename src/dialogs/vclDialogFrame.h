#pragma once
// What the resizable editors share: their window frame, their placement under
// the form's name, their grip, and closing steps that all run even when one
// fails.

#include <QDialog>
#include <QSize>
#include <QString>

class QGridLayout;
class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;
class TSizeGrip;

// Caption and close button but no minimise, maximise or help button; the
// design size (grown to what the layout needs on this desktop's font), then
// the stored placement; the height it comes back with becomes its minimum, so
// only the width and extra height are free. Returns the grip in the corner.
// Call once the dialog's layout is set.
TSizeGrip* SetupResizableDialog(QDialog* dialog, QSize designSize);

// Saves the placement under the dialog's name. Throws EProgramError when the
// settings cannot be written.
void SaveDialogPlacement(QDialog* dialog);

// An OK or Cancel button of the editors: Enter and Escape never press it.
QPushButton* NewDialogButton(const QString& caption, QWidget* parent);

// A caption label bound to its control; the control takes the caption,
// without its access key and colon, as its accessible name.
QLabel* NewBuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent, int minimumWidth);

// The editors' form: the fields on top, a sunken rule and OK/Cancel at the
// bottom right; extra height goes between the fields and the rule.
void LayOutEditorForm(QDialog* dialog, QGridLayout* fields, QPushButton* ok, QPushButton* cancel);

// What both editors share as dialogs: OK and Cancel are also QDialog's own
// accept and reject, so code that accepts or rejects an editor gets the same
// results as the buttons; and neither is the cancel button, so a plain Escape
// does not close an editor and throw away what was typed.
class TEditorDialog : public QDialog
{
public:
    using QDialog::QDialog;
    // Checks and writes back, then closes with mrOk or mrNo; a refusal keeps
    // the dialog open.
    virtual void btnOKClick() = 0;
    void accept() override { btnOKClick(); }
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
