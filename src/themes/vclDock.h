#pragma once
// The dock at the top of the main window: the menu bar and the tool bars in
// the top tool bar area. It can draw etched bound lines around itself, which
// the default theme does and the others do not. The lines are an overlay
// that lets every mouse event through and follows the bars as they move.

#include <QWidget>

class QMainWindow;

class TDock final : public QWidget
{
    Q_OBJECT
public:
    explicit TDock(QMainWindow* window);

    void SetBoundLines(bool on);
    bool BoundLines() const { return FBoundLines; }
    // The rectangle of the menu bar and the top tool bars, in the window.
    QRect DockRect() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Watch(QObject* child);
    void FollowLater();
    void Follow();
    QMainWindow* FWindow;
    bool FBoundLines = false;
    bool FPending = false;
};
