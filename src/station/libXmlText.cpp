#include "libXmlText.h"

#include <QStringDecoder>

#include <string_view>

std::optional<QByteArray> DeclaredEncoding(QByteArrayView data)
{
    if (data.startsWith("\xef\xbb\xbf"))
        data = data.sliced(3);
    if (!data.startsWith("<?xml"))
        return std::nullopt;
    const qsizetype close = data.indexOf("?>");
    const QByteArrayView declaration = data.first(close < 0 ? data.size() : close);
    qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return std::nullopt;
    at += 8;
    auto skippable = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '='; };
    while (at < declaration.size() && skippable(declaration[at]))
        ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\''))
        return QByteArray();
    const char quote = declaration[at++];
    const qsizetype end = declaration.indexOf(quote, at);
    return end < 0 ? QByteArray() : declaration.sliced(at, end - at).toByteArray();
}

bool IsUtf8Name(const QByteArray& name)
{
    return name.compare("UTF-8", Qt::CaseInsensitive) == 0 || name.compare("UTF8", Qt::CaseInsensitive) == 0;
}

QByteArray ConverterName(const QByteArray& declared)
{
    const QStringDecoder probe(declared.constData());
    if (probe.isValid()) {
        const QByteArrayView canonical(probe.name());
        if (canonical == "GB2312" || canonical == "GB_2312-80")
            return QByteArrayLiteral("GBK");
    }
    return declared;
}

namespace {

template <typename Char> bool StartsWith(const Char* p, const Char* end, std::string_view what)
{
    if (end - p < static_cast<std::ptrdiff_t>(what.size()))
        return false;
    for (char c : what)
        if (*p++ != static_cast<Char>(c))
            return false;
    return true;
}

template <typename Char> const Char* Find(const Char* p, const Char* end, std::string_view what)
{
    for (; p < end; ++p)
        if (StartsWith(p, end, what))
            return p + what.size();
    return end;
}

template <typename Char> TMarkupGuard Guard(const Char* p, const Char* const end, int maxAttributes)
{
    while (p < end) {
        while (p < end && *p != Char('<'))
            ++p;
        if (p == end)
            return TMarkupGuard::Ok;
        ++p;
        if (StartsWith(p, end, "!--")) {
            p = Find(p + 3, end, "-->");
        } else if (StartsWith(p, end, "![CDATA[")) {
            p = Find(p + 8, end, "]]>");
        } else if (StartsWith(p, end, "?")) {
            p = Find(p + 1, end, "?>");
        } else if (StartsWith(p, end, "/")) {
            p = Find(p + 1, end, ">");
        } else {
            const bool declaration = StartsWith(p, end, "!");
            int attributes = 0;
            Char quote = 0;
            for (; p < end; ++p) {
                const Char c = *p;
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == Char('"') || c == Char('\'')) {
                    quote = c;
                } else if (c == Char('>')) {
                    ++p;
                    break;
                } else if (declaration && c == Char('[')) {
                    return TMarkupGuard::InternalSubset;
                } else if (c == Char('=') && ++attributes > maxAttributes) {
                    return TMarkupGuard::TooManyAttributes;
                }
            }
        }
    }
    return TMarkupGuard::Ok;
}

} // namespace

TMarkupGuard GuardMarkup(const char* p, const char* end, int maxAttributes) { return Guard(p, end, maxAttributes); }

TMarkupGuard GuardMarkup(const char16_t* p, const char16_t* end, int maxAttributes)
{
    return Guard(p, end, maxAttributes);
}
