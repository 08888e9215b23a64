#include "cliCommands.h"

int CmdPlay(const QStringList&) { return UsageError(QStringLiteral("play: not built yet")); }
