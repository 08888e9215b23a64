#include "libRadio.h"

#include "libConst.h"
#include "libError.h"
#include "libText.h"
#include "libXmlText.h"

#include "KestrelVersion.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <optional>
#include <string_view>

// ------------------------------------------------------------ export formats

const TExportFormats& ExportFormats()
{
    static const TExportFormats formats = {{
        {QStringLiteral("wax"), QStringLiteral(".wax"), Const::SExportWax, QStringLiteral("*.wax;*.asx;*.wvx"), sfASX},
        {QStringLiteral("ram"), QStringLiteral(".ram"), Const::SExportRam, QStringLiteral("*.ram"), sfRAM},
        {QStringLiteral("m3u"), QStringLiteral(".m3u"), Const::SExportM3u, QStringLiteral("*.m3u"), sfM3U},
        {QStringLiteral("pls"), QStringLiteral(".pls"), Const::SExportPls, QStringLiteral("*.pls"), sfPLS},
    }};
    return formats;
}

const TExportFormat* FindExportFormat(QStringView name)
{
    for (const TExportFormat& format : ExportFormats()) {
        if (format.Name == name)
            return &format;
    }
    return nullptr;
}

// ---------------------------------------------------------------- TRadioLink

void TRadioLink::SetText(QStringView value)
{
    QString text = TrimText(value);
    // A name equal to the address is no name: the link keeps following its
    // address when the address changes later.
    if (text == Const::SUnnamedLink || text == FHref)
        text.clear();
    FText = std::move(text);
}

void TRadioLink::SetHref(QStringView value) { FHref = TrimText(value); }

QString TRadioLink::DisplayText() const
{
    if (!FText.isEmpty())
        return FText;
    if (!FHref.isEmpty())
        return FHref;
    return Const::SUnnamedLink;
}

static QString KbpsText(std::uint16_t value) { return value == 0 ? QString() : QString::number(value); }

QString TRadioLink::BestKbpsText() const { return KbpsText(FBestKbps); }
QString TRadioLink::ShitKbpsText() const { return KbpsText(FShitKbps); }

int TRadioLink::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TRadioLink::Assign(const TRadioLink& source)
{
    if (&source == this)
        return;
    // Name before address, as in every writer of links: the name is compared
    // with the address this link holds before the copy.
    SetText(source.DisplayText());
    SetHref(source.Href());
    FKind = source.FKind;
    FBestKbps = source.FBestKbps;
    FShitKbps = source.FShitKbps;
}

bool LearnKbps(TRadioLink& link, int kbps)
{
    if (kbps <= 0)
        return false;
    const auto rate = std::uint16_t(std::min(kbps, 0xFFFF));
    bool changed = false;
    if (link.BestKbps() < rate) {
        link.SetBestKbps(rate);
        changed = true;
    }
    if (link.ShitKbps() == 0 || rate < link.ShitKbps()) {
        link.SetShitKbps(rate);
        changed = true;
    }
    return changed;
}

// --------------------------------------------------------------- TRadioLinks

TRadioLink* TRadioLinks::Add()
{
    FItems.push_back(std::make_unique<TRadioLink>());
    TRadioLink* link = FItems.back().get();
    link->FCollection = this;
    return link;
}

TRadioLink* TRadioLinks::Items(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return FItems[static_cast<std::size_t>(index)].get();
}

void TRadioLinks::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    FItems.erase(FItems.begin() + index);
}

void TRadioLinks::Clear() { FItems.clear(); }

void TRadioLinks::Assign(const TRadioLinks& source)
{
    if (&source == this)
        return;
    BeginUpdate();
    Clear();
    FItems.reserve(source.FItems.size());
    for (const auto& item : source.FItems)
        Add()->Assign(*item);
    EndUpdate();
}

void TRadioLinks::TakeFrom(TRadioLinks& source)
{
    FItems = std::move(source.FItems);
    source.FItems.clear();
    for (const auto& item : FItems)
        item->FCollection = this;
}

int TRadioLinks::IndexOf(const TRadioLink* link) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == link)
            return static_cast<int>(i);
    return -1;
}

// -------------------------------------------------------------------- TRadio

void TRadio::SetText(QStringView value)
{
    QString text = TrimText(value);
    if (text == Const::SUnnamedRadio)
        text.clear();
    FText = std::move(text);
}

QString TRadio::DisplayText() const { return FText.isEmpty() ? Const::SUnnamedRadio : FText; }

void TRadio::SetHref(QStringView value) { FHref = TrimText(value); }
void TRadio::SetKind(QStringView value) { FKind = TrimText(value); }
void TRadio::SetLang(QStringView value) { FLang = TrimText(value); }
void TRadio::SetLand(QStringView value) { FLand = TrimText(value); }
void TRadio::SetMenu(QStringView value) { FMenu = TrimText(value); }

int TRadio::Link() const
{
    const int count = FLinks.Count();
    if (count == 0)
        return -1;
    return FLink >= 0 && FLink < count ? FLink : 0;
}

void TRadio::Assign(const TRadio& source)
{
    if (&source == this)
        return;
    SetText(source.DisplayText());
    SetHref(source.FHref);
    SetKind(source.FKind);
    SetLang(source.FLang);
    SetLand(source.FLand);
    SetMenu(source.FMenu);
    FLinks.Assign(source.FLinks);
    FLink = source.Link();
}

// ------------------------------------------------------------- station file

namespace {

const QString AttrText = QStringLiteral("Text");
const QString AttrHref = QStringLiteral("Href");
const QString AttrKind = QStringLiteral("Kind");
const QString AttrLang = QStringLiteral("Lang");
const QString AttrLand = QStringLiteral("Land");
const QString AttrMenu = QStringLiteral("Menu");
const QString AttrLink = QStringLiteral("Link");
const QString AttrShitKbps = QStringLiteral("ShitKbps");
const QString AttrBestKbps = QStringLiteral("BestKbps");

} // namespace

void TRadio::LoadFromFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        throw EProgramError(Const::SRadioFileNotFound.arg(fileName));
    // A folder, a pipe or a device is no station file; reading /dev/zero or a
    // pipe nobody writes to would never end.
    if (!info.isFile())
        throw EProgramError(Const::SRadioFileUnreadable.arg(fileName, Const::SNotRegularFile));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EProgramError(Const::SRadioFileUnreadable.arg(fileName, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EProgramError(Const::SRadioFileUnreadable.arg(fileName, file.errorString()));
    LoadFromData(data);
}

namespace {

// Signed 32-bit decimal; empty or anything else reads as 0.
int IntValue(QStringView text)
{
    bool ok = false;
    const int value = TrimText(text).toInt(&ok, 10);
    return ok ? value : 0;
}

// The file's text when it is not certainly UTF-8 throughout; nothing when it
// is, and the XML reader may take the bytes as they are. Qt's reader
// would switch to a declared encoding even after a byte-order mark, so the
// bytes go to it only when mark and declaration both say UTF-8 (or are
// absent); otherwise the text is decoded here, by the mark, else by the
// declared name, and the reader gets characters and ignores the declaration.
// Either way the guard below sees exactly what the reader parses.
std::optional<QString> DecodeUnlessUtf8(QByteArrayView data)
{
    const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(data, u'<');
    const std::optional<QByteArray> declared = DeclaredEncoding(data);
    if ((!marked || *marked == QStringConverter::Utf8) && (!declared || IsUtf8Name(*declared)))
        return std::nullopt;

    const QByteArray name = marked                ? QByteArray(QStringConverter::nameForEncoding(*marked))
                            : declared->isEmpty() ? QByteArrayLiteral("UTF-8")
                                                  : *declared;
    // Built in place and never moved: Qt 6.4 counts an ICU converter's errors
    // in the decoder object it was created in, so a moved decoder reports none
    // (and writes into the dead one). Stateless, so that a character cut off by
    // the end of the file counts as an error instead of vanishing.
    QStringDecoder decoder(ConverterName(name).constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw EProgramError(Const::SRadioFileBadEncoding.arg(QString::fromLatin1(name)));
    QString text = decoder.decode(data);
    if (decoder.hasError())
        throw EProgramError(Const::SRadioFileBadEncoding.arg(QString::fromLatin1(name)));
    return text;
}

// Our elements carry a handful of attributes; other tools may add some.
constexpr int MaxAttributes = 1000;
// The root and its links; a link has nothing inside.
constexpr int MaxDepth = 2;

template <typename Char> void Guard(const Char* p, const Char* const end)
{
    switch (GuardMarkup(p, end, MaxAttributes)) {
    case TMarkupGuard::Ok: return;
    case TMarkupGuard::InternalSubset: throw EProgramError(Const::SRadioFileDtd);
    case TMarkupGuard::TooManyAttributes: throw EProgramError(Const::SRadioFileTooManyAttributes);
    }
}

} // namespace

void TRadio::LoadFromData(QByteArrayView data)
{
    // An empty or blank file is a document without content, not broken XML.
    if (std::all_of(data.begin(), data.end(), [](char c) { return static_cast<unsigned char>(c) <= 32; }))
        throw EProgramError(Const::SBadRadioFile);

    // One streaming pass: a document tree of 100,000 links costs seconds and
    // hundreds of megabytes, the stream a fraction of both. The station is
    // built aside and taken over only when the whole file was read, so a
    // failure leaves this station as it was.
    const std::optional<QString> text = DecodeUnlessUtf8(data);
    QXmlStreamReader reader;
    if (text) {
        const auto* begin = reinterpret_cast<const char16_t*>(text->constData());
        Guard(begin, begin + text->size());
        reader.addData(*text);
    } else {
        Guard(data.data(), data.data() + data.size());
        reader.addData(QByteArray::fromRawData(data.data(), data.size()));
    }
    reader.setNamespaceProcessing(false);
    // Declarations are refused above and below; the limit is a third guard.
    reader.setEntityExpansionLimit(4096);

    TRadio scratch;
    // A broken document is reported as such even when an earlier part already
    // failed our own rules, so the first such failure waits for the end.
    QString failure;
    auto fail = [&failure](const QString& message) {
        if (failure.isEmpty())
            failure = message;
    };
    bool sawRoot = false;
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        switch (token) {
        case QXmlStreamReader::DTD:
            // Refused by the guard already; kept should the guard miss one.
            if (!reader.entityDeclarations().isEmpty())
                throw EProgramError(Const::SRadioFileDtd);
            break;
        case QXmlStreamReader::StartElement:
            // Refused at once rather than with the other rules at the end:
            // the reader keeps every open element, so a file of nothing but
            // nesting would cost some sixty times its size to read through.
            if (++depth > MaxDepth)
                throw EProgramError(Const::SRadioFileTooDeep);
            if (depth == 1) {
                sawRoot = true;
                if (reader.qualifiedName() != u"Radio") {
                    fail(Const::SBadRadioFile);
                    break;
                }
                const QXmlStreamAttributes attributes = reader.attributes();
                scratch.SetText(attributes.value(AttrText));
                scratch.SetHref(attributes.value(AttrHref));
                scratch.SetKind(attributes.value(AttrKind));
                scratch.SetLang(attributes.value(AttrLang));
                scratch.SetLand(attributes.value(AttrLand));
                scratch.SetMenu(attributes.value(AttrMenu));
                scratch.FLink = IntValue(attributes.value(AttrLink));
            } else if (depth == 2 && failure.isEmpty()) {
                // Every child element is a link, whatever its name.
                const QXmlStreamAttributes attributes = reader.attributes();
                TRadioLink* link = scratch.FLinks.Add();
                // Name before address: a name equal to the address stays a
                // name here, exactly as the file says.
                link->SetText(attributes.value(AttrText));
                link->SetHref(attributes.value(AttrHref));
                const QString kind = TrimText(attributes.value(AttrKind));
                if (kind == u"rm")
                    link->SetKind(skRealMedia);
                else if (kind == u"wm")
                    link->SetKind(skWindowsMedia);
                // Only the low 16 bits are kept, as in the stored field.
                link->SetBestKbps(static_cast<std::uint16_t>(IntValue(attributes.value(AttrBestKbps))));
                link->SetShitKbps(static_cast<std::uint16_t>(IntValue(attributes.value(AttrShitKbps))));
            }
            break;
        case QXmlStreamReader::EndElement: --depth; break;
        case QXmlStreamReader::Characters:
            // White space between elements is layout; any other text, a
            // CDATA section included, is not a link.
            if (depth == 1 && (reader.isCDATA() || !reader.isWhitespace()))
                fail(Const::SNodeNotElement);
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::EntityReference:
            if (depth == 1)
                fail(Const::SNodeNotElement);
            break;
        default: break;
        }
    }
    if (reader.hasError())
        throw EProgramError(
            Const::SRadioFileNotXml.arg(reader.lineNumber()).arg(reader.columnNumber()).arg(reader.errorString()));
    if (!sawRoot)
        throw EProgramError(Const::SBadRadioFile);
    if (!failure.isEmpty())
        throw EProgramError(failure);

    FText = std::move(scratch.FText);
    FHref = std::move(scratch.FHref);
    FKind = std::move(scratch.FKind);
    FLang = std::move(scratch.FLang);
    FLand = std::move(scratch.FLand);
    FMenu = std::move(scratch.FMenu);
    FLink = scratch.FLink;
    FLinks.TakeFrom(scratch.FLinks);
}

namespace {

// XML 1.0 cannot carry most control characters, U+FFFE/U+FFFF or a lone
// surrogate; writing one would make the file unreadable, so they are dropped.
bool XmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

QString XmlSafe(const QString& text)
{
    const auto clean = [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0xD800; };
    if (std::all_of(text.begin(), text.end(), clean))
        return text;
    QString result;
    result.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            result += c;
            result += text[++i];
        } else if (!c.isSurrogate() && XmlChar(c.unicode())) {
            result += c;
        }
    }
    return result;
}

void WriteAttribute(QXmlStreamWriter& writer, const QString& name, const QString& value)
{
    writer.writeAttribute(name, XmlSafe(value));
}

void WriteOptional(QXmlStreamWriter& writer, const QString& name, const QString& value)
{
    if (!value.isEmpty())
        WriteAttribute(writer, name, value);
}

QByteArray StationData(const TRadio& radio)
{
    QByteArray data;
    QXmlStreamWriter writer(&data);
    writer.setAutoFormatting(false);
    writer.writeStartDocument(QStringLiteral("1.0"), true);
    writer.writeStartElement(QStringLiteral("Radio"));
    WriteAttribute(writer, AttrText, radio.DisplayText());
    WriteOptional(writer, AttrHref, radio.Href());
    WriteOptional(writer, AttrKind, radio.Kind());
    WriteOptional(writer, AttrLang, radio.Lang());
    WriteOptional(writer, AttrLand, radio.Land());
    WriteOptional(writer, AttrMenu, radio.Menu());
    const TRadioLinks& links = radio.Links();
    if (links.Count() > 0)
        WriteAttribute(writer, AttrLink, QString::number(radio.Link()));
    const QString linkName = QStringLiteral("Link");
    for (int i = 0; i < links.Count(); ++i) {
        const TRadioLink* link = links[i];
        writer.writeEmptyElement(linkName);
        WriteAttribute(writer, AttrText, link->DisplayText());
        WriteOptional(writer, AttrHref, link->Href());
        WriteAttribute(writer, AttrKind, StreamKindText(link->Kind(), ktCode));
        WriteOptional(writer, AttrShitKbps, link->ShitKbpsText());
        WriteOptional(writer, AttrBestKbps, link->BestKbpsText());
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    // The writer ends the document with a line break; the file has none.
    while (data.endsWith('\n'))
        data.chop(1);
    return data;
}

QByteArray Lines(const QStringList& lines, bool gbk)
{
    QByteArray data;
    for (const QString& line : lines) {
        data += gbk ? ToGbk(line) : line.toUtf8();
        data += "\r\n";
    }
    return data;
}

QString Abstract(const TRadio& radio) { return radio.Land() + u'-' + radio.Lang() + u'-' + radio.Kind(); }

QByteArray RamData(const TRadio& radio)
{
    QStringList lines;
    lines << QStringLiteral("# ") + radio.DisplayText() << QStringLiteral("# ") + Abstract(radio);
    if (!radio.Href().isEmpty())
        lines << QStringLiteral("# ") + radio.Href();
    if (!radio.Menu().isEmpty())
        lines << QStringLiteral("# ") + radio.Menu();
    lines << QStringLiteral("# ") + QString::fromUtf16(KESTREL_PRODUCT_NAME);
    for (int i = 0; i < radio.Links().Count(); ++i)
        lines << radio.Links()[i]->Href();
    return Lines(lines, true);
}

QByteArray AsxData(const TRadio& radio)
{
    QStringList lines;
    lines << QStringLiteral("<asx version = \"3.0\">")
          << QStringLiteral("<title>") + radio.DisplayText() + QStringLiteral("</title>")
          << QStringLiteral("<abstract>") + Abstract(radio) + QStringLiteral("</abstract>")
          << QStringLiteral("<author>") + QString::fromUtf16(KESTREL_PRODUCT_NAME) + QStringLiteral("</author>");
    if (!radio.Menu().isEmpty())
        lines << QStringLiteral("<moreinfo href=\"") + radio.Menu() + QStringLiteral("\" target=\"_blank\" />");
    lines << QStringLiteral("<entry>");
    for (int i = 0; i < radio.Links().Count(); ++i)
        lines << QStringLiteral("<ref href=\"") + radio.Links()[i]->Href() + QStringLiteral("\" />");
    lines << QStringLiteral("</entry>") << QStringLiteral("</asx>");
    return Lines(lines, true);
}

// The playlist formats are line based: a line break inside a name would start
// a bogus entry.
QString OneLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString EntryTitle(const TRadio& radio, const TRadioLink& link)
{
    return OneLine(radio.DisplayText() + QStringLiteral(" - ") + link.DisplayText());
}

QByteArray M3uData(const TRadio& radio)
{
    QStringList lines{QStringLiteral("#EXTM3U")};
    for (int i = 0; i < radio.Links().Count(); ++i) {
        const TRadioLink& link = *radio.Links()[i];
        lines << QStringLiteral("#EXTINF:-1,") + EntryTitle(radio, link) << OneLine(link.Href());
    }
    return Lines(lines, false);
}

QByteArray PlsData(const TRadio& radio)
{
    QStringList lines{QStringLiteral("[playlist]")};
    const int count = radio.Links().Count();
    for (int i = 0; i < count; ++i) {
        const TRadioLink& link = *radio.Links()[i];
        const QString n = QString::number(i + 1);
        lines << QStringLiteral("File") + n + u'=' + OneLine(link.Href())
              << QStringLiteral("Title") + n + u'=' + EntryTitle(radio, link)
              << QStringLiteral("Length") + n + QStringLiteral("=-1");
    }
    lines << QStringLiteral("NumberOfEntries=") + QString::number(count) << QStringLiteral("Version=2");
    return Lines(lines, false);
}

} // namespace

QByteArray TRadio::SaveToData(TSaveFormat format) const
{
    switch (format) {
    case sfStation: return StationData(*this);
    case sfRAM: return RamData(*this);
    case sfASX: return AsxData(*this);
    case sfM3U: return M3uData(*this);
    case sfPLS: return PlsData(*this);
    }
    return StationData(*this);
}

void TRadio::SaveToFile(const QString& fileName, TSaveFormat format) const
{
    const QByteArray data = SaveToData(format);
    try {
        WriteFileSafely(fileName, data);
    } catch (const EProgramError& error) {
        throw EProgramError(Const::SCannotCreateFile.arg(fileName, error.Message()));
    }
}
