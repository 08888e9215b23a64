#include "libTitle.h"

#include "libText.h"

#include <QStringDecoder>

namespace {
QString CleanTitle(QStringView text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text = text.left(nul);
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        // C0, DEL and C1 controls: line breaks or escape codes in a title would
        // break the one-line status bar and tool tip.
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            out += QLatin1Char(' ');
        else
            out += c;
    }
    return TrimText(out);
}
} // namespace

QString NormaliseTitle(QByteArrayView raw)
{
    const qsizetype nul = raw.indexOf('\0');
    if (nul >= 0)
        raw = raw.first(nul);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (utf8.hasError())
        text = FromGbk(raw);
    return CleanTitle(text);
}

QString NormaliseTitle(const QString& text) { return CleanTitle(text); }
