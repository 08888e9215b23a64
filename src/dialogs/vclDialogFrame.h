#pragma once
// What the resizable editors share: their window frame, their placement under
// the form's name, their grip, and closing steps that all run even when one
// fails.

#include <QString>
#include <QSize>


class QDialog;
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

// Neither OK nor Cancel is the cancel button: a plain Escape must not close
// an editor and throw away what was typed. True when it took the event.
bool SwallowEscape(QKeyEvent* event);

