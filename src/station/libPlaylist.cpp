#include "libPlaylist.h"

#include "libConst.h"
#include "libError.h"
#include "libKind.h"
#include "libRadio.h"
#include "libText.h"
#include "libXmlText.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>

// ------------------------------------------------------------------ the table

const std::array<TPlaylistType, 5>& PlaylistTypes()
{
    const auto exported = [](TSaveFormat format) -> const TExportFormat& {
        return *std::find_if(ExportFormats().begin(), ExportFormats().end(),
                             [format](const TExportFormat& row) { return row.Format == format; });
    };
    // M3U8 is M3U in UTF-8 and XSPF is read only, so those two rows are our own.
    static const std::array<TPlaylistType, 5> types = {{
        {TPlaylistFormat::PLS, exported(sfPLS).Caption, exported(sfPLS).Patterns},
        {TPlaylistFormat::M3U, QStringLiteral("M3U Playlist(*.m3u,*.m3u8)"), QStringLiteral("*.m3u;*.m3u8")},
        {TPlaylistFormat::ASX, exported(sfASX).Caption, exported(sfASX).Patterns},
        {TPlaylistFormat::RAM, exported(sfRAM).Caption, exported(sfRAM).Patterns},
        {TPlaylistFormat::XSPF, QStringLiteral("XSPF Playlist(*.xspf)"), QStringLiteral("*.xspf")},
    }};
    return types;
}

// ------------------------------------------------------------- the formats

namespace {

// The extension of a file name or of an address's path, lower-cased,
// with its dot; empty when there is none.
QString ExtensionOf(QStringView name)
{
    // The query and fragment of an address are not part of its file name,
    // nor is its host.
    const QString path = name.contains(u"://") ? QUrl(name.toString(), QUrl::TolerantMode).path() : name.toString();
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= slash + 1)
        return QString();
    return path.sliced(dot).toLower();
}

// The text of a playlist. A byte-order mark decides; else text that is UTF-8
// throughout is UTF-8 (ASCII is too); else an XML document's declared
// encoding; else it is taken for GB18030, the superset of the GBK that older
// Chinese tools (and our own exports) write without saying so.
QString DecodeText(QByteArrayView data, bool xml)
{
    if (const auto marked = QStringConverter::encodingForData(data)) {
        QStringDecoder decoder(*marked, QStringConverter::Flag::Stateless);
        return decoder.decode(data);
    }
    {
        // Built in place, never moved: Qt 6.4 counts an ICU converter's errors
        // in the object it was created in.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QString text = utf8.decode(data);
        if (!utf8.hasError())
            return text;
    }
    if (xml) {
        const std::optional<QByteArray> declared = DeclaredEncoding(data);
        if (declared && !declared->isEmpty() && !IsUtf8Name(*declared)) {
            QStringDecoder decoder(ConverterName(*declared).constData(), QStringConverter::Flag::Stateless);
            if (decoder.isValid()) {
                QString text = decoder.decode(data);
                if (!decoder.hasError())
                    return text;
            }
        }
    }
    QStringDecoder gb18030("GB18030", QStringConverter::Flag::Stateless);
    return gb18030.decode(data);
}

// Enough of the start to tell a format by.
QString Head(QByteArrayView data) { return DecodeText(data.first(std::min<qsizetype>(data.size(), 4096)), true); }

bool IsBlank(QChar c) { return c.unicode() <= 32; }

QStringView SkipBlanks(QStringView text)
{
    qsizetype at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    return text.sliced(at);
}

// The name of the first element of an XML text, lower-cased; empty when none
// is found in the text given.
QString RootElement(QStringView text)
{
    for (;;) {
        text = SkipBlanks(text);
        if (!text.startsWith(u'<'))
            return QString();
        const auto skipPast = [&text](QStringView end) {
            const qsizetype at = text.indexOf(end);
            text = at < 0 ? QStringView() : text.sliced(at + end.size());
        };
        if (text.startsWith(u"<?"))
            skipPast(u"?>");
        else if (text.startsWith(u"<!--"))
            skipPast(u"-->");
        else if (text.startsWith(u"<!"))
            skipPast(u">");
        else
            break;
    }
    qsizetype end = 1;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != u'>' && text[end] != u'/')
        ++end;
    return text.sliced(1, end - 1).toString().toLower();
}

// Splits at CR LF, LF or a lone CR (old Mac tools), the last line with or
// without its end; every line trimmed.
QStringList Lines(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(breaks);
    for (QString& line : lines)
        line = TrimText(line);
    return lines;
}

bool IsAddressLine(QStringView line)
{
    static const QRegularExpression address(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return address.match(line).hasMatch();
}

const QRegularExpression& PlsKey()
{
    static const QRegularExpression key(QStringLiteral("^(file|title)(\\d+)$"));
    return key;
}

} // namespace

TPlaylistFormat PlaylistFormatOfName(QStringView name)
{
    const QString ext = ExtensionOf(name);
    if (ext.isEmpty())
        return TPlaylistFormat::None;
    for (const TPlaylistType& type : PlaylistTypes())
        for (const QString& pattern : type.Patterns.split(u';', Qt::SkipEmptyParts))
            if (pattern.mid(1) == ext)
                return type.Format;
    return TPlaylistFormat::None;
}

TPlaylistFormat SniffPlaylist(QByteArrayView data)
{
    const QString head = Head(data);
    const QStringView text = SkipBlanks(head);
    if (text.startsWith(u"[playlist]", Qt::CaseInsensitive))
        return TPlaylistFormat::PLS;
    if (text.startsWith(u"#EXTM3U", Qt::CaseInsensitive))
        return TPlaylistFormat::M3U;
    const QString root = RootElement(text);
    if (root == u"asx")
        return TPlaylistFormat::ASX;
    if (root == u"playlist")
        return TPlaylistFormat::XSPF;
    return TPlaylistFormat::None;
}

TPlaylistFormat PlaylistFormatOfContentType(QStringView contentType)
{
    const QString type =
        TrimText(contentType.first(contentType.indexOf(u';') < 0 ? contentType.size() : contentType.indexOf(u';')))
            .toLower();
    static const std::pair<const char16_t*, TPlaylistFormat> types[] = {
        {u"audio/x-scpls", TPlaylistFormat::PLS},         {u"audio/scpls", TPlaylistFormat::PLS},
        {u"audio/x-mpegurl", TPlaylistFormat::M3U},       {u"audio/mpegurl", TPlaylistFormat::M3U},
        {u"application/x-mpegurl", TPlaylistFormat::M3U}, {u"application/vnd.apple.mpegurl", TPlaylistFormat::M3U},
        {u"video/x-ms-asf", TPlaylistFormat::ASX},        {u"video/x-ms-asx", TPlaylistFormat::ASX},
        {u"audio/x-ms-wax", TPlaylistFormat::ASX},        {u"video/x-ms-wvx", TPlaylistFormat::ASX},
        {u"audio/x-pn-realaudio", TPlaylistFormat::RAM},  {u"application/xspf+xml", TPlaylistFormat::XSPF},
    };
    for (const auto& [name, format] : types)
        if (type == QStringView(name))
            return format;
    return TPlaylistFormat::None;
}

TPlaylistFormat PlaylistFormatOf(QByteArrayView data, QStringView name, QStringView contentType)
{
    if (const TPlaylistFormat format = SniffPlaylist(data); format != TPlaylistFormat::None)
        return format;
    if (const TPlaylistFormat format = PlaylistFormatOfContentType(contentType); format != TPlaylistFormat::None)
        return format;
    if (const TPlaylistFormat format = PlaylistFormatOfName(name); format != TPlaylistFormat::None)
        return format;
    // The first line that says anything: "File1=" is a PLS without its
    // section, an address a plain list.
    for (const QString& line : Lines(Head(data))) {
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && PlsKey().match(TrimText(line.first(equals)).toLower()).hasMatch())
            return TPlaylistFormat::PLS;
        return IsAddressLine(line) ? TPlaylistFormat::M3U : TPlaylistFormat::None;
    }
    return TPlaylistFormat::None;
}

bool IsPlaylistFile(const QString& fileName)
{
    if (PlaylistFormatOfName(fileName) != TPlaylistFormat::None)
        return true;
    if (ExtensionOf(fileName) == u".radio")
        return false;
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    return SniffPlaylist(file.read(4096)) != TPlaylistFormat::None;
}

// ------------------------------------------------------------- the readers

namespace {

class TBuilder
{
public:
    TBuilder(TPlaylistFormat format, const QUrl& base) : FBase(base) { FPlaylist.Format = format; }

    void Add(QStringView address, QStringView title)
    {
        const QString trimmed = TrimText(address);
        if (trimmed.isEmpty())
            return;
        if (FPlaylist.Entries.size() >= MaxPlaylistEntries)
            throw EProgramError(Const::SPlaylistTooManyEntries.arg(MaxPlaylistEntries));
        FPlaylist.Entries.append({Resolved(trimmed), TrimText(title)});
    }
    void SetTitle(QStringView title) { FPlaylist.Title = TrimText(title); }
    qsizetype Count() const { return FPlaylist.Entries.size(); }
    void SetHls() { FPlaylist.Hls = true; }
    TPlaylist Take() { return std::move(FPlaylist); }

private:
    // An absolute address stays exactly as written; a relative one is taken
    // from where the playlist itself came from.
    QString Resolved(const QString& address) const
    {
        if (FBase.isEmpty())
            return address;
        const QUrl url(address, QUrl::TolerantMode);
        if (!url.isValid() || !url.isRelative())
            return address;
        const QUrl resolved = FBase.resolved(url);
        return resolved.isLocalFile() ? resolved.toLocalFile() : resolved.toString();
    }

    QUrl FBase;
    TPlaylist FPlaylist;
};

void ReadPls(const QString& text, TBuilder& builder)
{
    // Entries by their number, whatever the order of the lines; a number
    // without a File line has nothing to play. NumberOfEntries (or the
    // NumberOfEvents some servers write) is not needed to find them.
    std::map<int, std::pair<QString, QString>> entries;
    for (const QString& line : Lines(text)) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QRegularExpressionMatch match = PlsKey().match(TrimText(line.first(equals)).toLower());
        if (!match.hasMatch())
            continue;
        bool ok = false;
        const int number = match.capturedView(2).toInt(&ok);
        if (!ok)
            continue;
        if (entries.size() >= std::size_t(MaxPlaylistEntries) && !entries.count(number))
            throw EProgramError(Const::SPlaylistTooManyEntries.arg(MaxPlaylistEntries));
        auto& entry = entries[number];
        (match.capturedView(1) == u"file" ? entry.first : entry.second) = line.sliced(equals + 1);
    }
    for (const auto& [number, entry] : entries)
        builder.Add(entry.first, entry.second);
}

// The title of an #EXTINF line: what follows the first comma outside quotes
// (IPTV lists put attributes with commas in quotes before it).
QString ExtinfTitle(QStringView line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'"')
            quoted = !quoted;
        else if (line[i] == u',' && !quoted)
            return line.sliced(i + 1).toString();
    }
    return QString();
}

void ReadLines(const QString& text, TPlaylistFormat format, TBuilder& builder)
{
    QString title;
    for (const QString& line : Lines(text)) {
        if (line.isEmpty())
            continue;
        // RealPlayer stops reading a RAM file here.
        if (format == TPlaylistFormat::RAM && line == u"--stop--")
            break;
        if (line.startsWith(u'#')) {
            if (line.startsWith(u"#EXT-X-", Qt::CaseInsensitive))
                builder.SetHls();
            else if (line.startsWith(u"#EXTINF:", Qt::CaseInsensitive))
                title = ExtinfTitle(line);
            else if (line.startsWith(u"#PLAYLIST:", Qt::CaseInsensitive))
                builder.SetTitle(line.sliced(10));
            continue;
        }
        builder.Add(line, title);
        title.clear();
    }
}

// ASX files are hand-written as often as generated: addresses carry a bare
// "&" and entities of HTML (&nbsp;) turn up. Both are taken as text, the way
// the players those files were written for read them.
QString EscapeStrayAmpersands(const QString& text)
{
    static const QRegularExpression stray(QStringLiteral("&(?!(?:amp|lt|gt|quot|apos|#[0-9]+|#x[0-9A-Fa-f]+);)"));
    QString fixed = text;
    fixed.replace(stray, QStringLiteral("&amp;"));
    return fixed;
}

// The value of an attribute named in any case.
QString Attribute(const QXmlStreamAttributes& attributes, QStringView name)
{
    for (const QXmlStreamAttribute& attribute : attributes)
        if (attribute.qualifiedName().compare(name, Qt::CaseInsensitive) == 0)
            return attribute.value().toString();
    return QString();
}

// Room for ASX's repeat blocks and XSPF's extensions; a document deeper than
// this is no playlist, and the reader keeps every open element.
constexpr int MaxXmlDepth = 16;
constexpr int MaxXmlAttributes = 1000;

void ReadXml(const QString& source, TPlaylistFormat format, TBuilder& builder)
{
    const QString text = EscapeStrayAmpersands(source);
    const auto* begin = reinterpret_cast<const char16_t*>(text.constData());
    switch (GuardMarkup(begin, begin + text.size(), MaxXmlAttributes)) {
    case TMarkupGuard::Ok: break;
    case TMarkupGuard::InternalSubset: throw EProgramError(Const::SPlaylistDtd);
    case TMarkupGuard::TooManyAttributes: throw EProgramError(Const::SPlaylistTooManyAttributes);
    }

    const bool asx = format == TPlaylistFormat::ASX;
    const QString rootName = asx ? QStringLiteral("asx") : QStringLiteral("playlist");
    // What an ASX entry or an XSPF track holds: its title and every address
    // (alternatives of the same source, tried in order).
    const QString itemName = asx ? QStringLiteral("entry") : QStringLiteral("track");
    QString itemTitle;
    QStringList itemAddresses;
    qsizetype itemDepth = 0; // the open item's depth; 0 outside one
    const auto endItem = [&] {
        itemDepth = 0;
        for (const QString& address : std::as_const(itemAddresses))
            builder.Add(address, itemTitle);
    };

    QXmlStreamReader reader(text);
    reader.setNamespaceProcessing(false);
    reader.setEntityExpansionLimit(4096);
    QStringList path; // open elements, lower-cased
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty())
                throw EProgramError(Const::SPlaylistDtd);
            break;
        case QXmlStreamReader::StartElement: {
            const QString name = reader.qualifiedName().toString().toLower();
            if (path.isEmpty() && name != rootName)
                throw EProgramError(Const::SPlaylistBadRoot.arg(asx ? QStringLiteral("ASX") : rootName));
            if (path.size() >= MaxXmlDepth)
                throw EProgramError(Const::SPlaylistTooDeep);
            const bool inRoot = path.size() == 1;
            const bool inItem = itemDepth > 0 && path.size() == itemDepth;
            if (name == u"title" && (inRoot || inItem)) {
                // Reads through the end tag, so the element is not pushed.
                const QString title = reader.readElementText(QXmlStreamReader::SkipChildElements);
                if (inRoot)
                    builder.SetTitle(title);
                else
                    itemTitle = title;
                break;
            }
            if (!asx && name == u"location" && inItem) {
                itemAddresses += reader.readElementText(QXmlStreamReader::SkipChildElements);
                break;
            }
            path.append(name);
            if (name == itemName && itemDepth == 0) {
                itemDepth = path.size();
                itemTitle.clear();
                itemAddresses.clear();
            } else if (asx && (name == u"ref" || name == u"entryref")) {
                const QString href = Attribute(reader.attributes(), u"href");
                if (itemDepth > 0)
                    itemAddresses += href;
                else
                    builder.Add(href, QString());
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (itemDepth > 0 && path.size() == itemDepth)
                endItem();
            if (!path.isEmpty())
                path.removeLast();
            break;
        default: break;
        }
    }
    if (reader.hasError()) {
        // A file cut short after its entries (no closing tags) still lists them.
        const bool truncated = reader.error() == QXmlStreamReader::PrematureEndOfDocumentError;
        if (truncated && itemDepth > 0)
            endItem();
        if (!truncated || builder.Count() == 0)
            throw EProgramError(
                Const::SPlaylistNotXml.arg(reader.lineNumber()).arg(reader.columnNumber()).arg(reader.errorString()));
    }
}

} // namespace

TPlaylist ReadPlaylist(QByteArrayView data, TPlaylistFormat format, const QUrl& base)
{
    if (data.size() > MaxPlaylistBytes)
        throw EProgramError(Const::SPlaylistTooLarge.arg(MaxPlaylistBytes));
    TBuilder builder(format, base);
    switch (format) {
    case TPlaylistFormat::PLS: ReadPls(DecodeText(data, false), builder); break;
    case TPlaylistFormat::M3U:
    case TPlaylistFormat::RAM: ReadLines(DecodeText(data, false), format, builder); break;
    case TPlaylistFormat::ASX:
    case TPlaylistFormat::XSPF: ReadXml(DecodeText(data, true), format, builder); break;
    case TPlaylistFormat::None: throw EProgramError(Const::SPlaylistUnknownFormat);
    }
    return builder.Take();
}

TPlaylist ReadPlaylistFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        throw EProgramError(Const::SPlaylistNotFound.arg(fileName));
    // A pipe or a device would never end.
    if (!info.isFile())
        throw EProgramError(Const::SPlaylistUnreadable.arg(fileName, Const::SNotRegularFile));
    if (info.size() > MaxPlaylistBytes)
        throw EProgramError(Const::SPlaylistTooLarge.arg(MaxPlaylistBytes));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EProgramError(Const::SPlaylistUnreadable.arg(fileName, file.errorString()));
    // One byte more than allowed tells a file that grew since it was measured.
    const QByteArray data = file.read(MaxPlaylistBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw EProgramError(Const::SPlaylistUnreadable.arg(fileName, file.errorString()));
    return ReadPlaylist(data, PlaylistFormatOf(data, fileName), QUrl::fromLocalFile(info.absoluteFilePath()));
}

QStringList PlaylistStreams(const TPlaylist& playlist)
{
    QStringList streams;
    for (const TPlaylistEntry& entry : playlist.Entries)
        if (StreamKindOfURL(entry.Address) != -2)
            streams += entry.Address;
    return streams;
}

void PlaylistToRadio(const TPlaylist& playlist, const QString& fallbackName, TRadio& radio)
{
    if (playlist.Hls)
        throw EProgramError(Const::SPlaylistIsHls);
    if (PlaylistStreams(playlist).isEmpty())
        throw EProgramError(Const::SPlaylistNoStreams);
    radio.SetText(playlist.Title.isEmpty() ? fallbackName : playlist.Title);
    radio.Links().Clear();
    for (const TPlaylistEntry& entry : playlist.Entries) {
        const int kind = StreamKindOfURL(entry.Address);
        if (kind == -2)
            continue;
        TRadioLink* link = radio.Links().Add();
        // Address first: a title that only repeats the address is no name,
        // and the link follows its address should the user change it.
        link->SetHref(entry.Address);
        link->SetText(entry.Title);
        link->SetKind(LinkKindOf(kind));
    }
    radio.SetLink(0);
}

void ImportPlaylistFile(const QString& fileName, TRadio& radio)
{
    PlaylistToRadio(ReadPlaylistFile(fileName), QFileInfo(fileName).completeBaseName(), radio);
}
