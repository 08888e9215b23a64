// The station commands: info, save, export, import and kind.

#include "cliCommands.h"

#include "libError.h"
#include "libKind.h"
#include "libPlaylist.h"
#include "libRadio.h"

namespace {

// Reads FILE into a station; on failure prints the program's message.
bool ReadStation(const QString& fileName, TRadio& radio)
{
    try {
        radio.LoadFromFile(fileName);
        return true;
    } catch (const EProgramError& error) {
        WriteErr(error.Message() + u'\n');
        return false;
    }
}

int WriteStation(const TRadio& radio, const QString& fileName, TSaveFormat format)
{
    try {
        radio.SaveToFile(fileName, format);
        return cliOk;
    } catch (const EProgramError& error) {
        WriteErr(error.Message() + u'\n');
        return cliFailed;
    }
}

void AppendLink(QString& out, const TRadioLink& link)
{
    TJsonObjectWriter(out)
        .Member(u"Text", link.Text())
        .Member(u"DisplayText", link.DisplayText())
        .Member(u"Href", link.Href())
        .Member(u"Kind", StreamKindText(link.Kind(), ktCode))
        .Member(u"BestKbps", link.BestKbps())
        .Member(u"ShitKbps", link.ShitKbps())
        .Close();
}

} // namespace

// JSON is written by hand: building QJsonObjects for 100,000 links costs
// several times more than reading the file.
void AppendJsonString(QString& out, QStringView text)
{
    out += u'"';
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        out += text.sliced(start, i - start);
        start = i + 1;
        switch (c) {
        case u'"': out += QStringLiteral("\\\""); break;
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        default: out += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QChar(u'0'));
        }
    }
    out += text.sliced(start);
    out += u'"';
}

TJsonObjectWriter::TJsonObjectWriter(QString& out) : FOut(out) { FOut += u'{'; }

QString& TJsonObjectWriter::Name(QStringView name)
{
    if (!FFirst)
        FOut += u',';
    FFirst = false;
    AppendJsonString(FOut, name);
    FOut += u':';
    return FOut;
}

TJsonObjectWriter& TJsonObjectWriter::Member(QStringView name, QStringView value)
{
    AppendJsonString(Name(name), value);
    return *this;
}

TJsonObjectWriter& TJsonObjectWriter::Member(QStringView name, int value)
{
    Name(name) += QString::number(value);
    return *this;
}

void TJsonObjectWriter::Close() { FOut += u'}'; }

int CmdInfo(const QStringList& args)
{
    if (args.size() != 1)
        return UsageError(QStringLiteral("用法: info FILE"));
    TRadio radio;
    if (!ReadStation(args[0], radio))
        return cliFailed;

    QString out;
    // Written in pieces, so that a large station is not held twice more.
    constexpr qsizetype chunk = 64 * 1024;
    out.reserve(chunk + 4096);
    TJsonObjectWriter station(out);
    station.Member(u"Text", radio.Text())
        .Member(u"DisplayText", radio.DisplayText())
        .Member(u"Href", radio.Href())
        .Member(u"Kind", radio.Kind())
        .Member(u"Lang", radio.Lang())
        .Member(u"Land", radio.Land())
        .Member(u"Menu", radio.Menu())
        .Member(u"Link", radio.Link());
    station.Name(u"Links") += u'[';
    for (int i = 0; i < radio.Links().Count(); ++i) {
        if (i > 0)
            out += u',';
        AppendLink(out, *radio.Links()[i]);
        if (out.size() >= chunk) {
            WriteOut(out);
            out.resize(0);
        }
    }
    out += u']';
    station.Close();
    out += u'\n';
    WriteOut(out);
    return cliOk;
}

int CmdSave(const QStringList& args)
{
    if (args.size() != 2)
        return UsageError(QStringLiteral("用法: save FILE OUT"));
    TRadio radio;
    if (!ReadStation(args[0], radio))
        return cliFailed;
    return WriteStation(radio, args[1], sfStation);
}

int CmdExport(const QStringList& args)
{
    if (args.size() != 3) {
        QStringList names;
        for (const TExportFormat& format : ExportFormats())
            names += format.Name;
        return UsageError(QStringLiteral("用法: export %1 FILE OUT").arg(names.join(u'|')));
    }
    const TExportFormat* format = FindExportFormat(args[0]);
    if (!format)
        return UsageError(QStringLiteral("未知的导出格式: ") + args[0]);
    TRadio radio;
    if (!ReadStation(args[1], radio))
        return cliFailed;
    return WriteStation(radio, args[2], format->Format);
}

int CmdImport(const QStringList& args)
{
    if (args.size() != 2)
        return UsageError(QStringLiteral("用法: import FILE OUT"));
    TRadio radio;
    try {
        ImportPlaylistFile(args[0], radio);
    } catch (const EProgramError& error) {
        WriteErr(error.Message() + u'\n');
        return cliFailed;
    }
    return WriteStation(radio, args[1], sfStation);
}

int CmdKind(const QStringList& args)
{
    if (args.size() != 1)
        return UsageError(QStringLiteral("用法: kind URL"));
    WriteOut(QString::number(StreamKindOfURL(args[0])) + u'\n');
    return cliOk;
}
