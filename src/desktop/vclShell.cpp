#include "vclShell.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QWidget>

namespace {
QPointer<TTrayIcon> Tray;
std::optional<bool> TrayAvailableOverride;

// The tip field held 127 bytes of GBK text plus its terminating zero.
constexpr int TrayTipBytes = 127;

QSize WorkArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize();
}
} // namespace

void RestorePlacement(TExeRegistry& registry, QWidget* form)
{
    // A window without a name would read and write the program key itself.
    if (!form || form->objectName().isEmpty() || !registry.OpenProgramKey(form->objectName()))
        return;
    const QSize area = WorkArea();

    form->resize(ReadIntegerOr(registry, QStringLiteral("W"), form->width()), form->height());
    const int cx = (area.width() - form->width()) / 2;
    int x = ReadIntegerOr(registry, QStringLiteral("X"), cx);
    if (x >= area.width())
        x = cx;

    const int cy = (area.height() - form->height()) / 2;
    form->resize(form->width(), ReadIntegerOr(registry, QStringLiteral("H"), form->height()));
    int y = ReadIntegerOr(registry, QStringLiteral("Y"), cy);
    if (y >= area.height())
        y = cy;

    form->setGeometry(x, y, form->width(), form->height());
    if (ReadBoolOr(registry, QStringLiteral("Maximize"), false))
        form->setWindowState((form->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    registry.CloseKey();
}

void SavePlacement(TExeRegistry& registry, QWidget* form)
{
    if (!form || form->objectName().isEmpty() || !registry.OpenProgramKey(form->objectName()))
        return;
    // The rectangle underneath a maximised or minimised window, so that it
    // comes back maximised with its last restored size beneath.
    const QRect normal = form->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)
                             ? form->normalGeometry()
                             : form->geometry();
    if (normal.isValid()) {
        registry.WriteInteger(QStringLiteral("X"), normal.x());
        registry.WriteInteger(QStringLiteral("W"), normal.width());
        registry.WriteInteger(QStringLiteral("Y"), normal.y());
        registry.WriteInteger(QStringLiteral("H"), normal.height());
    }
    registry.WriteBool(QStringLiteral("Maximize"),
                       (form->windowState() & Qt::WindowMaximized) && !(form->windowState() & Qt::WindowMinimized));
    registry.CloseKey();
}

void SetTopMost(bool on, QWidget* mainWindow, bool installMenuItem)
{
    Q_UNUSED(installMenuItem);
    if (mainWindow) {
        if (bool(mainWindow->windowFlags() & Qt::WindowStaysOnTopHint) != on) {
            // Changing a window's flags hides it; show it again as it was.
            const bool visible = mainWindow->isVisible();
            mainWindow->setWindowFlag(Qt::WindowStaysOnTopHint, on);
            if (visible)
                mainWindow->show();
        }
        if (mainWindow->isVisible()) {
            mainWindow->raise();
            mainWindow->activateWindow();
        }
    }
    SetTopMostFlag(on);
}

TTrayIcon::TTrayIcon(QObject* parent) : QObject(parent), FIcon(new QSystemTrayIcon(this))
{
    connect(FIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT LeftClicked();
        else if (reason == QSystemTrayIcon::Context)
            Q_EMIT ContextMenuRequested(QCursor::pos());
    });
}

void SetTrayIcon(bool show, QWidget* mainWindow, bool fill)
{
    if (fill || (!Tray && show)) {
        delete Tray;
        Tray = new TTrayIcon(mainWindow);
        QIcon icon = mainWindow ? mainWindow->windowIcon() : QIcon();
        if (icon.isNull())
            icon = QApplication::windowIcon();
        if (icon.isNull())
            icon = QIcon::fromTheme(QStringLiteral("audio-x-generic"),
                                    QApplication::style()->standardIcon(QStyle::SP_MediaPlay));
        Tray->Icon()->setIcon(icon);
        Tray->Icon()->setToolTip(CutToGbkBytes(ApplicationTitle(), TrayTipBytes));
    }
    if (Tray)
        Tray->Icon()->setVisible(show);
    SetTrayIconFlag(show);
}

TTrayIcon* TrayIcon() { return Tray; }

void SetTrayTip(const QString& text)
{
    if (Tray)
        Tray->Icon()->setToolTip(CutToGbkBytes(text, TrayTipBytes));
}

bool SystemTrayAvailable()
{
    return TrayAvailableOverride ? *TrayAvailableOverride : QSystemTrayIcon::isSystemTrayAvailable();
}

void OverrideSystemTrayAvailable(std::optional<bool> available) { TrayAvailableOverride = available; }

void ShowMainWindow(bool force, QWidget* mainWindow)
{
    if (!mainWindow)
        return;
    if (force || !mainWindow->isVisible()) {
        mainWindow->show();
        mainWindow->setWindowState(mainWindow->windowState() & ~Qt::WindowMinimized);
        mainWindow->raise();
        mainWindow->activateWindow();
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != mainWindow) {
            modal->raise();
            modal->activateWindow();
        }
        return;
    }
    mainWindow->setWindowState(mainWindow->windowState() | Qt::WindowMinimized);
    if (IsTrayIconOn() && SystemTrayAvailable())
        mainWindow->hide();
}

bool TDesktopBrowser::Open(const QString& address)
{
    return QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}
