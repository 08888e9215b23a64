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
    // The next shortcut of this kind fails; the file type fails while set.
    int FailingKind = -1;
    bool FailingFileType = false;

    void InstallShortcut(int kind) override
    {
        Calls << QStringLiteral("shortcut %1").arg(kind);
        if (kind == FailingKind)
            throw EProgramError(QStringLiteral("无法创建快捷方式"));
    }
    void RegisterFileType() override
    {
        Calls << QStringLiteral("file type");
        if (FailingFileType)
            throw EProgramError(QStringLiteral("无法登记电台文件类型"));
    }
    bool StartsWithSession() const override { return Session; }
    void SetStartsWithSession(bool on) override
    {
        Calls << (on ? QStringLiteral("session on") : QStringLiteral("session off"));
        Session = on;
    }
};
