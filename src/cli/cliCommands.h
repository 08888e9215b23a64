#pragma once
// The commands of kestrel-radio-cli. Each takes the words after the command
// name and returns the process exit code: 0 success, 1 failure, 2 usage error,
// 3 a missing playback engine.

#include <QString>
#include <QStringList>
#include <QStringView>

enum TCliExit : int { cliOk = 0, cliFailed = 1, cliUsage = 2, cliNoEngine = 3 };

int CmdInfo(const QStringList& args);
int CmdSave(const QStringList& args);
int CmdExport(const QStringList& args);
int CmdImport(const QStringList& args);
int CmdKind(const QStringList& args);
int CmdPlay(const QStringList& args);
int CmdSearch(const QStringList& args);

// One line on stderr for a usage error; returns cliUsage.
int UsageError(const QString& message);
// Writes UTF-8 text to stdout or stderr and flushes at once.
void WriteOut(const QString& text);
void WriteErr(const QString& text);

// JSON pieces appended to out: a string with its escapes, and a member with
// a text or a number value.
void AppendJsonString(QString& out, QStringView text);
void AppendMember(QString& out, QStringView name, QStringView value);
void AppendMember(QString& out, QStringView name, int value);
