#pragma once
// How the program installs itself into the desktop: its launchers, the
// station-file type and the start with the session. One interface, so the
// window and the options dialog work against a fake in tests.

class IDesktopInstall
{
public:
    virtual ~IDesktopInstall() = default;
    // 0 the applications menu, 1 a launcher script on the PATH, 2 the desktop
    // folder. Throws EProgramError when the launcher cannot be written.
    virtual void InstallShortcut(int kind) = 0;
    // Station files open in this program. Throws EProgramError.
    virtual void RegisterFileType() = 0;
    // Whether the program starts with the user's session.
    virtual bool StartsWithSession() const = 0;
    // Throws EProgramError when the autostart entry cannot be written.
    virtual void SetStartsWithSession(bool on) = 0;
};
