#include "libExeInfo.h"

#include "KestrelVersion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStringList>

namespace {

// The record's frame. The markers are assembled at run time so that this
// reader's own code never carries them verbatim and cannot be taken for a
// record; the frame is validated as well.
QByteArray Marker(const char* word)
{
    QByteArray marker("KESTREL");
    marker += ' ';
    marker += word;
    marker += QByteArray(" RECORD");
    return marker;
}

constexpr int LengthDigits = 8;
constexpr qsizetype MaxPayload = 64 * 1024;

// Finds the first well-formed record in data and splits it into its keys.
bool ParseRecord(QByteArrayView data, QHash<QString, QString>& values)
{
    const QByteArray begin = Marker("VERSION") + '\0';
    const QByteArray end = Marker("END") + '\0';
    for (qsizetype at = data.indexOf(begin); at >= 0; at = data.indexOf(begin, at + 1)) {
        const qsizetype lengthAt = at + begin.size();
        if (lengthAt + LengthDigits > data.size())
            break;
        bool ok = false;
        const qsizetype length = data.sliced(lengthAt, LengthDigits).toByteArray().toLongLong(&ok);
        if (!ok || length < 0 || length > MaxPayload)
            continue;
        const qsizetype payloadAt = lengthAt + LengthDigits;
        if (payloadAt + length + end.size() > data.size() || data.sliced(payloadAt + length, end.size()) != end)
            continue;
        const QByteArrayView payload = data.sliced(payloadAt, length);
        if (!payload.isEmpty() && !payload.endsWith('\0'))
            continue;
        QHash<QString, QString> found;
        bool wellFormed = true;
        qsizetype from = 0;
        while (from < payload.size()) {
            const qsizetype zero = payload.indexOf('\0', from);
            const QByteArrayView pair = payload.sliced(from, zero - from);
            const qsizetype equals = pair.indexOf('=');
            if (equals <= 0) {
                wellFormed = false;
                break;
            }
            found.insert(QString::fromUtf8(pair.first(equals)), QString::fromUtf8(pair.sliced(equals + 1)));
            from = zero + 1;
        }
        if (!wellFormed)
            continue;
        values = std::move(found);
        return true;
    }
    return false;
}

} // namespace

bool SetFileVersion(TExeInfo& info, const QString& fileVersion)
{
    const QStringList parts = fileVersion.split(u'.');
    if (parts.size() != 4)
        return false;
    QString text;
    QString number;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok);
        if (!ok || value > 0xFFFF)
            return false;
        const QString digits = QString::number(value);
        text += digits + u'.';
        number += i == 1 ? u'.' + digits : digits;
    }
    info.VersionText = text;
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    info.VersionNumber = ok ? value : 0;
    return true;
}

void ReadExeInfo(const QString& path, TExeInfo& info)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return;
    QHash<QString, QString> values;
    const qint64 size = file.size();
    if (uchar* mapped = file.map(0, size)) {
        const bool found = ParseRecord(QByteArrayView(reinterpret_cast<const char*>(mapped), size), values);
        file.unmap(mapped);
        if (!found)
            return;
    } else if (!ParseRecord(file.readAll(), values)) {
        return;
    }

    SetFileVersion(info, values.value(QStringLiteral("FileVersion")));
    info.ProductName = values.value(QStringLiteral("ProductName"));
    info.InternalName = values.value(QStringLiteral("InternalName"));
    info.CompanyName = values.value(QStringLiteral("CompanyName"));
    info.FileDescription = values.value(QStringLiteral("FileDescription"));
    info.LegalCopyright = values.value(QStringLiteral("LegalCopyright"));
    info.Comments = values.value(QStringLiteral("Comments"));
    info.LegalTrademarks = values.value(QStringLiteral("LegalTrademarks"));
}

QString GetExePath()
{
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!self.isEmpty() && QFileInfo(self).isFile())
        return self;
    if (QCoreApplication::instance()) {
        const QString own = QCoreApplication::applicationFilePath();
        if (!own.isEmpty() && QFileInfo(own).isFile())
            return own;
        const QStringList args = QCoreApplication::arguments();
        if (!args.isEmpty())
            return QFileInfo(args.first()).absoluteFilePath();
    }
    return self;
}

TExeInfo OwnExeInfo()
{
    TExeInfo info;
    ReadExeInfo(GetExePath(), info);
    if (info.VersionText.isEmpty() && info.ProductName.isEmpty()) {
        info.LegalTrademarks = QString::fromUtf16(KESTREL_TRADEMARKS);
        info.ProductName = QString::fromUtf16(KESTREL_PRODUCT_NAME);
        info.InternalName = QString::fromUtf16(KESTREL_INTERNAL_NAME);
        info.CompanyName = QString::fromUtf16(KESTREL_COMPANY_NAME);
        info.FileDescription = QString::fromUtf16(KESTREL_DESCRIPTION);
        info.LegalCopyright = QString::fromUtf16(KESTREL_COPYRIGHT);
        info.Comments = QString::fromUtf16(KESTREL_COMMENTS);
        SetFileVersion(info, QString::fromUtf16(KESTREL_FILE_VERSION));
    }
    return info;
}
