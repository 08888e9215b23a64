#include "libText.h"

#include "libError.h"
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>

QString TrimText(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin).toString();
}

QByteArray ToGbk(QStringView text)
{
    // Qt's ICU-backed GBK encoder writes "?" for characters outside GBK.
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString FromGbk(QByteArrayView bytes)
{
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

QStringList ReadListFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    const QByteArray data = file.readAll();
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        qsizetype stop = end;
        if (stop > start && data[stop - 1] == '\r')
            --stop;
        lines.append(FromGbk(QByteArrayView(data).sliced(start, stop - start)));
        start = end + 1;
    }
    return lines;
}

void WriteListFile(const QString& fileName, const QStringList& lines)
{
    QByteArray data;
    for (const QString& line : lines) {
        data += ToGbk(line);
        data += "\r\n";
    }
    WriteFileSafely(fileName, data);
}

TSafeFileWriter::TSafeFileWriter(const QString& fileName) : FFileName(fileName) {}

TSafeFileWriter::~TSafeFileWriter()
{
    if (FFile || FDirect)
        Cancel();
}

QFileDevice* TSafeFileWriter::Device() const
{
    if (FDirect)
        return FDirect.get();
    return FFile.get();
}

bool TSafeFileWriter::Fail(const QString& reason)
{
    if (FError.isEmpty())
        FError = reason.isEmpty() ? qt_error_string(errno) : reason;
    Cancel();
    return false;
}

void TSafeFileWriter::PutBack()
{
    FDirect->close();
    if (FDirect->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        FDirect->write(FOldBytes);
    FDirect->close();
}

bool TSafeFileWriter::Open()
{
    // The temporary file would be renamed over whatever the name stands for.
    const QFileInfo target(FFileName);
    if (target.exists() && !QFileInfo(target.canonicalFilePath()).isFile())
        return Fail(QStringLiteral("它不是一个普通文件"));
    FFile = std::make_unique<QSaveFile>(FFileName);
    FFile->setDirectWriteFallback(true);
    if (FFile->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    const QString reason = FFile->errorString();
    FFile.reset();
    // Qt falls back to the file itself only for a folder without write
    // permission, not for one that refuses new files otherwise.
    if (!target.isFile() || !target.isWritable())
        return Fail(reason);
    FDirect = std::make_unique<QFile>(FFileName);
    if (!FDirect->open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Fail(reason);
    FOldBytes = FDirect->readAll();
    if (!FDirect->resize(0) || !FDirect->seek(0))
        return Fail(FDirect->errorString());
    return true;
}

bool TSafeFileWriter::Write(QByteArrayView data)
{
    QFileDevice* device = Device();
    if (!device || !FError.isEmpty())
        return false;
    errno = 0;
    if (device->write(data.data(), data.size()) != data.size())
        // A short write sets no error of its own; errno still tells why.
        return Fail(device->error() != QFileDevice::NoError ? device->errorString() : qt_error_string(errno));
    return true;
}

bool TSafeFileWriter::Commit()
{
    if (!Device() || !FError.isEmpty())
        return false;
    if (FDirect) {
        if (!FDirect->flush())
            return Fail(FDirect->errorString());
        FDirect->close();
        FDirect.reset();
        return true;
    }
    if (!FFile->commit())
        return Fail(FFile->errorString());
    FFile.reset();
    return true;
}

void TSafeFileWriter::Cancel()
{
    if (FDirect)
        PutBack();
    else if (FFile)
        FFile->cancelWriting();
    FDirect.reset();
    FFile.reset();
}

void WriteFileSafely(const QString& fileName, QByteArrayView data)
{
    TSafeFileWriter writer(fileName);
    if (!writer.Open() || !writer.Write(data) || !writer.Commit())
        throw EProgramError(writer.ErrorString());
}
