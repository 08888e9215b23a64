#include "libText.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include "libError.h"

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
    QSaveFile file(fileName);
    // Unbuffered: a buffered QSaveFile ignores a failure of its final flush and
    // would rename a truncated list into place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(data) != data.size() || !file.commit())
        throw EProgramError(file.errorString());
}
