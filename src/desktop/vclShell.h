#pragma once
// Window operations of the shell services: placements, the top-most band, the
// tray icon and bringing the main window back. Widget library only.

#include "libShell.h"

#include <QObject>
#include <QPoint>
#include <optional>

class QWidget;
class QSystemTrayIcon;
class QMenu;

// Restores a window's placement from the sub key named after its objectName:
// width, left edge, height, top edge, maximised state, in that order. Stored
// edges at or beyond the work area's size fall back to centring. Nothing
// happens when the key cannot be opened.
void RestorePlacement(TExeRegistry& registry, QWidget* form);
// Saves the normal (restored) rectangle and whether the window is maximised.
void SavePlacement(TExeRegistry& registry, QWidget* form);

// Moves the main window into or out of the always-on-top band, brings it to
// the front and sets the top-most flag that message boxes follow. Window
// managers here have no system menu of the program's own, so installMenuItem
// is accepted and has no effect.
void SetTopMost(bool on, QWidget* mainWindow, bool installMenuItem);

// The program's one tray icon. Its clicks reach the main window as signals.
class TTrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TTrayIcon(QObject* parent = nullptr);
    QSystemTrayIcon* Icon() const { return FIcon; }
Q_SIGNALS:
    void LeftClicked();
    void ContextMenuRequested(const QPoint& globalPos);

private:
    QSystemTrayIcon* FIcon;
};

// Shows or hides the tray icon and sets the tray flag. With fill the icon is
// (re)made for this main window: its window icon (or the application's), the
// application title as tip, owned by the main window. Hiding an icon that was
// never shown is harmless.
void SetTrayIcon(bool show, QWidget* mainWindow, bool fill);
// The icon made by SetTrayIcon (nullptr before), to connect its signals.
TTrayIcon* TrayIcon();
// Sets the tray tip, cut at a whole character to fit 127 bytes of GBK.
void SetTrayTip(const QString& text);

// With force, or when the main window is not visible: shows, un-minimises and
// activates it (and its active modal dialog). Otherwise minimises it and, with
// the tray flag set and a system tray present, hides it so only the icon stays.
// Without a system tray the window is never hidden: nothing would bring it back.
void ShowMainWindow(bool force, QWidget* mainWindow);

// Whether a system tray exists; tests override the answer.
bool SystemTrayAvailable();
void OverrideSystemTrayAvailable(std::optional<bool> available);

// The real browser service: QDesktopServices::openUrl.
class TDesktopBrowser final : public IBrowser
{
public:
    bool Open(const QString& address) override;
};
