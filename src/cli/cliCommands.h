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

// A JSON string with its escapes, appended to out.
void AppendJsonString(QString& out, QStringView text);

// One JSON object appended to out: its members in the order given, with the
// commas between them, and the closing brace from Close.
class TJsonObjectWriter
{
public:
    explicit TJsonObjectWriter(QString& out);
    TJsonObjectWriter& Member(QStringView name, QStringView value);
    TJsonObjectWriter& Member(QStringView name, int value);
    // The name of a member whose value the caller appends itself.
    QString& Name(QStringView name);
    void Close();

private:
    QString& FOut;
    bool FFirst = true;
};
