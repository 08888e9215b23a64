#pragma once
// The real message boxes: QMessageBox with the application title as caption,
// brought to the front, and on top of other windows while the top-most flag
// is set. Questions asked from another thread are shown on the
// user-interface thread, which the asking thread waits for.

#include "libMsgBox.h"

#include <QPointer>

class QCoreApplication;
class QWidget;

class TQtMessageBoxes final : public IMessageBoxes
{
public:
    explicit TQtMessageBoxes(QWidget* owner = nullptr) : FOwner(owner) {}
    void SetOwner(QWidget* owner) { FOwner = owner; }

    int AskYesNoCancel(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    void ShowMessageBox(const QString& text, TMsgIcon icon) override;

private:
    int Show(const QString& text, TMsgIcon icon, int buttons);
    QPointer<QWidget> FOwner;
};

// Installs Qt's own Simplified Chinese translations (standard buttons say
// "是", "否", "取消"). Returns whether they were found.
bool LoadQtTranslations(QCoreApplication& app);
