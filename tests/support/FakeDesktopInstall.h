#pragma once
// The desktop installation as a record of what was asked, with a failure to
// order.

#include "libDesktopInstall.h"
#include "libError.h"

#include <QStringList>

class TFakeDesktopInstall final : public IDesktopInstall
{
public:
    // Every call, in order: "shortcut 0", "file type", "session on", …
    QStringList Calls;
    bool Session = false;
    // The next shortcut of this kind fails.
    int FailingKind = -1;

    void InstallShortcut(int kind) override
    {
        Calls << QStringLiteral("shortcut %1").arg(kind);
        if (kind == FailingKind)
            throw EProgramError(QStringLiteral("无法创建快捷方式"));
    }
    void RegisterFileType() override { Calls << QStringLiteral("file type"); }
    bool StartsWithSession() const override { return Session; }
    void SetStartsWithSession(bool on) override
    {
        Calls << (on ? QStringLiteral("session on") : QStringLiteral("session off"));
        Session = on;
    }
};
