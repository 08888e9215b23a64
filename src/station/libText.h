#pragma once
// Text helpers shared by every subsystem: the program's trimming rule, the one
// place where GBK is converted, and the small GBK list files kept beside the
// program (recent files, tool bar layout, editor histories).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// Removes leading and trailing characters with codes 0 to 32 and nothing else:
// an ideographic space (U+3000) a user typed is part of the text.
QString TrimText(QStringView text);

// GBK (code page 936). Characters GBK cannot hold become "?".
QByteArray ToGbk(QStringView text);
QString FromGbk(QByteArrayView bytes);

// Reads a list file: one entry per line, GBK, CR LF (a bare LF is accepted too).
// A missing or unreadable file gives an empty list; empty lines are kept so that
// callers decide what an empty entry means.
QStringList ReadListFile(const QString& fileName);
// Writes a list file: every entry followed by CR LF, GBK. Throws EProgramError
// with the system's reason when the file cannot be written.
void WriteListFile(const QString& fileName, const QStringList& lines);
