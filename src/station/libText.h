#pragma once
// Text helpers shared by every subsystem: the program's trimming rule, the one
// place where GBK is converted, and the small GBK list files kept beside the
// program (recent files, tool bar layout, editor histories).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

class QFile;
class QFileDevice;
class QSaveFile;

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

// Writes a file so that a failed or partial write never takes the place of
// what was there: the data goes to a temporary file beside the target, which
// is renamed over it once everything was written. Where the folder cannot take
// a temporary file (a writable file in a read-only folder) the file itself is
// rewritten, and its old bytes are put back should that fail. Something that exists but is not a regular file (a FIFO,
// a device, a folder) is never replaced. A symbolic link is followed, so it stays a link. Unbuffered, because Qt 6.4's
// commit() ignores a failure of its own final flush and would rename a truncated file into place.
class TSafeFileWriter
{
public:
    explicit TSafeFileWriter(const QString& fileName);
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    bool Open();
    bool Write(QByteArrayView data);
    // Puts the written file in place; false (and the old file left alone where
    // a temporary file was used) when anything failed.
    bool Commit();
    // Drops what was written.
    void Cancel();
    // The system's reason for the first failure.
    QString ErrorString() const { return FError; }

private:
    bool Fail(const QString& reason);
    QFileDevice* Device() const;
    void PutBack();

    QString FFileName;
    std::unique_ptr<QSaveFile> FFile;
    // Only when the file is written in place.
    std::unique_ptr<QFile> FDirect;
    QByteArray FOldBytes;
    QString FError;
};

// The whole of data as fileName through TSafeFileWriter. Throws EProgramError
// with the system's reason when the file cannot be written.
void WriteFileSafely(const QString& fileName, QByteArrayView data);
