#pragma once
// The options dialog: the general preferences, some kept in the settings
// store (start minimised) or the desktop (start with the session), the others
// on the live main window through IWindowOptions; and the installation
// services, which act at once.

#include <QDialog>

class IDesktopInstall;
class IWindowOptions;
class QAction;
class QCheckBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The main window's commands the dialog's buttons run; a disabled one (an
// update check already running) does nothing.
struct TSetupCommands
{
    QAction* CheckUpdate = nullptr;
    QAction* Download = nullptr;
    QAction* Associate = nullptr;
};

class TwinSetup final : public QDialog
{
    Q_OBJECT
public:
    TwinSetup(QWidget* owner, IWindowOptions& window, IDesktopInstall& install, const TSetupCommands& commands);
    ~TwinSetup() override;

    QTabWidget* pgcSetup = nullptr;
    // page 常规
    QCheckBox* chkAutoRun = nullptr;
    QCheckBox* chkInsTray = nullptr;
    QCheckBox* chkAutoMini = nullptr;
    QCheckBox* chkTopMost = nullptr;
    QCheckBox* chkAutoPlay = nullptr;
    QCheckBox* chkMSNTitle = nullptr;
    QRadioButton* chkMSNRadio = nullptr;
    QRadioButton* chkMSNAct = nullptr;
    QCheckBox* chkNotify = nullptr;
    QCheckBox* chkReconnect = nullptr;
    // page 安装
    QCheckBox* chkPROGRAM = nullptr;
    QCheckBox* chkQKLUNCH = nullptr;
    QCheckBox* chkDESKTOP = nullptr;
    QPushButton* btnInstall = nullptr;
    QPushButton* btnAssociate = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button1 = nullptr;
    // buttons
    QPushButton* btnOK = nullptr;
    QPushButton* btnNO = nullptr;
    QPushButton* btnDO = nullptr;

    void btnDOClick();
    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void chkAutoRunClick();
    void chkMSNTitleClick();
    void chkPROGRAMClick();
    void btnInstallClick();

    IWindowOptions& FWindow;
    IDesktopInstall& FInstall;
    TSetupCommands FCommands;
};
