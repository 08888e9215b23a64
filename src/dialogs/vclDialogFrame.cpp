#include "vclDialogFrame.h"

#include "libError.h"
#include "libMsgBox.h"
#include "libRegistry.h"
#include "vclGrip.h"
#include "vclShell.h"

#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

TSizeGrip* SetupResizableDialog(QDialog* dialog, QSize designSize)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint);
    dialog->resize(designSize.expandedTo(dialog->minimumSizeHint()));
    try {
        TExeRegistry registry;
        RestorePlacement(registry, dialog);
    } catch (const EProgramError&) {
        // A damaged placement must not keep the user out of the editor; the
        // design size serves and the next close writes a sound placement.
    }
    const int minimum = qMax(dialog->height(), dialog->minimumSizeHint().height());
    dialog->setMinimumHeight(minimum);
    if (dialog->height() < minimum)
        dialog->resize(dialog->width(), minimum);
    return new TSizeGrip(dialog);
}

void SaveDialogPlacement(QDialog* dialog)
{
    TExeRegistry registry;
    SavePlacement(registry, dialog);
}

QPushButton* NewDialogButton(const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setMinimumSize(75, 23);
    return button;
}

void LayOutEditorForm(QDialog* dialog, QGridLayout* fields, QPushButton* ok, QPushButton* cancel)
{
    auto* line = new QFrame(dialog);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addSpacing(8);
    buttons->addWidget(cancel);

    auto* form = new QVBoxLayout(dialog);
    form->setContentsMargins(15, 15, 15, 15);
    form->setSpacing(8);
    form->addLayout(fields);
    form->addStretch();
    form->addWidget(line);
    form->addLayout(buttons);
}

void TEditorDialog::reject() { done(mrCancel); }

void TEditorDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        event->accept();
    else
        QDialog::keyPressEvent(event);
}

QLabel* NewBuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent, int minimumWidth)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    label->setMinimumWidth(minimumWidth);
    static const QRegularExpression accessKey(QStringLiteral("\\(&.\\)|&|[:：]$"));
    buddy->setAccessibleName(QString(caption).remove(accessKey));
    return label;
}
