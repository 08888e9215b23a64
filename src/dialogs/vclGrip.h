#pragma once
// A resize handle for the editors, which have no status bar to carry one: it
// sits in the bottom-right corner of its window's client area, follows the
// corner when the window is resized and resizes the window when dragged.

#include <QPointer>
#include <QSizeGrip>

class TSizeGrip final : public QSizeGrip
{
    Q_OBJECT
public:
    // The grip becomes a child of target and binds to it at once.
    explicit TSizeGrip(QWidget* target);

    QWidget* TargetControl() const { return FTarget; }
    // The grip's square in the target's client coordinates; empty while the
    // grip is disabled or its target is gone.
    QRect GripRect() const;
    // A disabled grip is hidden, so it neither paints nor takes the mouse.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveToCorner();

    QPointer<QWidget> FTarget;
    bool FEnabled = true;
};
