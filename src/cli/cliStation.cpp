#include "cliCommands.h"

int CmdInfo(const QStringList&) { return UsageError(QStringLiteral("info: not built yet")); }
int CmdSave(const QStringList&) { return UsageError(QStringLiteral("save: not built yet")); }
int CmdExport(const QStringList&) { return UsageError(QStringLiteral("export: not built yet")); }
int CmdKind(const QStringList&) { return UsageError(QStringLiteral("kind: not built yet")); }
