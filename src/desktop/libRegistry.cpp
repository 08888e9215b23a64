#include "libRegistry.h"

#include "libError.h"
#include "libExeInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QIODevice>
#include <QStandardPaths>
#include <QStringList>
#include <QTextStream>

namespace {

// The store's file format. QSettings' IniFormat writes 5 and "5" alike, so a
// string read as a number could not be told apart; here integers stay bare
// and strings are always quoted:
//     [winMain]
//     X=120
//     Radio="/home/me/我的电台/a.radio"
// UTF-8, key names percent-encoded, escapes \\ \" \n \r \t \xHH in strings.
// Reading is lenient: a hand-edited bare word that is no number is a string,
// so a damaged line never makes the next write drop the rest of the file.

QByteArray EncodeName(const QString& name) { return name.toUtf8().toPercentEncoding(" "); }

QString DecodeName(QByteArrayView text)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.trimmed().toByteArray()));
}

QByteArray QuoteString(const QString& text)
{
    QByteArray out("\"");
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                out += "\\x" + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    return out + '"';
}

QString UnquoteString(QByteArrayView text)
{
    QByteArray out;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            break;
        if (c != '\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const char e = text[++i];
        switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
            bool ok = false;
            const int code = text.sliced(i + 1, qMin<qsizetype>(2, text.size() - i - 1)).toByteArray().toInt(&ok, 16);
            if (ok) {
                out += static_cast<char>(code);
                i += 2;
            } else {
                out += e;
            }
            break;
        }
        default: out += e;
        }
    }
    return QString::fromUtf8(out);
}

QByteArray EncodeValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Bool: return QByteArray::number(value.toInt());
    default: return QuoteString(value.toString());
    }
}

bool ReadTyped(QIODevice& device, QSettings::SettingsMap& map)
{
    QString section;
    while (!device.atEnd()) {
        const QByteArray line = device.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            section = DecodeName(QByteArrayView(line).sliced(1, line.size() - 2));
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QString name = DecodeName(QByteArrayView(line).first(equals));
        const QByteArray text = line.mid(equals + 1).trimmed();
        const QString key = section.isEmpty() ? name : section + u'/' + name;
        bool isNumber = false;
        const int number = text.toInt(&isNumber);
        if (text.startsWith('"'))
            map.insert(key, UnquoteString(text));
        else if (isNumber)
            map.insert(key, number);
        else
            map.insert(key, QString::fromUtf8(text));
    }
    return true;
}

bool WriteTyped(QIODevice& device, const QSettings::SettingsMap& map)
{
    // Values of the root first, then one section per group.
    QByteArray root;
    QMap<QString, QByteArray> sections;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(u'/');
        const QString group = slash < 0 ? QString() : it.key().left(slash);
        const QString name = it.key().mid(slash + 1);
        const QByteArray line = EncodeName(name) + '=' + EncodeValue(it.value()) + '\n';
        if (group.isEmpty())
            root += line;
        else
            sections[group] += line;
    }
    QByteArray out = root;
    for (auto it = sections.constBegin(); it != sections.constEnd(); ++it) {
        if (!out.isEmpty())
            out += '\n';
        QByteArray header;
        for (const QString& part : it.key().split(u'/'))
            header += (header.isEmpty() ? QByteArray() : QByteArray("/")) + EncodeName(part);
        out += '[' + header + "]\n" + it.value();
    }
    return device.write(out) == out.size();
}

QString InvalidType(const QString& name) { return QStringLiteral("Invalid data type for '%1'").arg(name); }

// Registry paths use "\"; QSettings groups use "/".
QStringList PathParts(const QString& path)
{
    QStringList parts;
    for (const QString& part : path.split(u'\\', Qt::SkipEmptyParts))
        parts += part;
    return parts;
}

} // namespace

QSettings::Format TExeRegistry::Format()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("conf"), ReadTyped, WriteTyped);
    return format;
}

TExeRegistry::TExeRegistry()
{
    const TExeInfo info = OwnExeInfo();
    FSettings = std::make_unique<QSettings>(Format(), QSettings::UserScope, info.CompanyName, info.InternalName);
    FSettings->setFallbacksEnabled(false);
}

TExeRegistry::~TExeRegistry() { CloseKey(); }

QString TExeRegistry::ProgramKeyPath()
{
    const TExeInfo info = OwnExeInfo();
    return QStringLiteral("\\Software\\") + info.CompanyName + u'\\' + info.InternalName;
}

bool TExeRegistry::OpenProgramKey(const QString& subKey)
{
    CloseKey();
    return OpenKey(ProgramKeyPath() + u'\\' + subKey, true);
}

bool TExeRegistry::OpenKey(const QString& path, bool canCreate)
{
    QStringList parts;
    if (path.startsWith(u'\\')) {
        const QStringList absolute = PathParts(path);
        const QStringList program = PathParts(ProgramKeyPath());
        if (absolute.size() < program.size())
            return false;
        for (int i = 0; i < program.size(); ++i)
            if (absolute[i].compare(program[i], Qt::CaseInsensitive) != 0)
                return false;
        parts = absolute.mid(program.size());
    } else {
        parts = FOpen ? FPath.split(u'/', Qt::SkipEmptyParts) : QStringList();
        parts += PathParts(path);
    }
    const QString group = parts.join(u'/');

    FSettings->sync();
    if (FSettings->status() == QSettings::AccessError)
        return false;
    // A key exists once it holds a value or a sub key.
    bool exists = group.isEmpty();
    if (!exists) {
        FSettings->beginGroup(group);
        exists = !FSettings->childKeys().isEmpty() || !FSettings->childGroups().isEmpty();
        FSettings->endGroup();
    }
    if (!exists && (!canCreate || !FSettings->isWritable()))
        return false;
    FPath = group;
    FOpen = true;
    return true;
}

void TExeRegistry::CloseKey()
{
    // Values are written as they are set; there is nothing left to flush.
    FPath.clear();
    FOpen = false;
}

QString TExeRegistry::CurrentPath() const { return FPath; }

QString TExeRegistry::FullName(const QString& name) const { return FPath.isEmpty() ? name : FPath + u'/' + name; }

bool TExeRegistry::ValueExists(const QString& name) const { return FOpen && FSettings->contains(FullName(name)); }

bool TExeRegistry::ReadBool(const QString& name, bool defaultValue) const
{
    return ReadInteger(name, defaultValue ? 1 : 0) != 0;
}

int TExeRegistry::ReadInteger(const QString& name, int defaultValue) const
{
    if (!ValueExists(name))
        return defaultValue;
    const QVariant value = FSettings->value(FullName(name));
    if (value.typeId() != QMetaType::Int)
        throw EProgramError(InvalidType(name));
    return value.toInt();
}

QString TExeRegistry::ReadString(const QString& name, const QString& defaultValue) const
{
    if (!ValueExists(name))
        return defaultValue;
    const QVariant value = FSettings->value(FullName(name));
    if (value.typeId() != QMetaType::QString)
        throw EProgramError(InvalidType(name));
    return value.toString();
}

void TExeRegistry::Store(const QString& name, const QVariant& value)
{
    if (!FOpen || name.isEmpty())
        throw EProgramError(QStringLiteral("Failed to set data for '%1'").arg(name));
    FSettings->setValue(FullName(name), value);
    FSettings->sync();
    if (FSettings->status() != QSettings::NoError)
        throw EProgramError(QStringLiteral("Failed to set data for '%1'").arg(name));
}

void TExeRegistry::WriteBool(const QString& name, bool value) { Store(name, value ? 1 : 0); }

void TExeRegistry::WriteInteger(const QString& name, int value) { Store(name, value); }

void TExeRegistry::WriteString(const QString& name, const QString& value) { Store(name, value); }

bool TExeRegistry::DeleteValue(const QString& name)
{
    if (!ValueExists(name))
        return false;
    FSettings->remove(FullName(name));
    FSettings->sync();
    return FSettings->status() == QSettings::NoError;
}

QString AppDataFolder()
{
    const TExeInfo info = OwnExeInfo();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/'
                           + info.CompanyName + u'/' + info.InternalName;
    QDir().mkpath(folder);
    return folder;
}

void SetProgramIdentity()
{
    const TExeInfo info = OwnExeInfo();
    QCoreApplication::setOrganizationName(info.CompanyName);
    QCoreApplication::setApplicationName(info.InternalName);
}

QString ComponentFilePath(const QString& owner, const QString& component)
{
    return AppDataFolder() + u'/' + owner + component + QStringLiteral(".ini");
}

namespace {
template <class T, class Read>
T ReadOr(const TExeRegistry& registry, const QString& name, const T& defaultValue, Read read)
{
    if (!registry.HasOpenKey())
        return defaultValue;
    try {
        return (registry.*read)(name, defaultValue);
    } catch (const EProgramError&) {
        return defaultValue;
    }
}
} // namespace

bool ReadBoolOr(const TExeRegistry& registry, const QString& name, bool defaultValue)
{
    return ReadOr(registry, name, defaultValue, &TExeRegistry::ReadBool);
}

int ReadIntegerOr(const TExeRegistry& registry, const QString& name, int defaultValue)
{
    return ReadOr(registry, name, defaultValue, &TExeRegistry::ReadInteger);
}

QString ReadStringOr(const TExeRegistry& registry, const QString& name, const QString& defaultValue)
{
    return ReadOr(registry, name, defaultValue, &TExeRegistry::ReadString);
}
