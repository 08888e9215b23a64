#include "libPreferences.h"

#include "libRegistry.h"
#include "libShell.h"

#include <stdexcept>

const QList<TPreference>& MainPreferences()
{
    static const QList<TPreference> table = {
        {Pref::AutoPlay, TPrefKind::Flag, false, true},
        {Pref::MSNTitle, TPrefKind::Flag, true, true},
        {Pref::MSNTitleMode, TPrefKind::Number, 0, true},
        {Pref::AutoMini, TPrefKind::Flag, false, false},
        {Pref::InsTray, TPrefKind::Flag, true, true},
        {Pref::TopMost, TPrefKind::Flag, false, true},
        {Pref::BarHint, TPrefKind::Flag, true, true},
        {Pref::BarTool, TPrefKind::Flag, true, true},
        {Pref::BarLock, TPrefKind::Flag, false, true},
        {Pref::Columns, TPrefKind::Flag, true, true},
        {Pref::Panel, TPrefKind::Number, 2, true},
        {Pref::Volume, TPrefKind::Number, 88, true},
        {Pref::Radio, TPrefKind::Text, QVariant(), true},
        {Pref::BarText, TPrefKind::Number, 1, true},
        {Pref::Theme, TPrefKind::Text, QStringLiteral("Default"), true},
        {Pref::Notify, TPrefKind::Flag, true, true},
        {Pref::Reconnect, TPrefKind::Flag, true, true},
    };
    return table;
}

namespace {
const TPreference& Row(const QString& key)
{
    for (const TPreference& row : MainPreferences())
        if (row.Key == key)
            return row;
    throw std::invalid_argument("unknown preference");
}

QVariant DefaultOf(const TPreference& row)
{
    if (row.Key == Pref::Radio)
        return DefaultStationFile();
    return row.Default;
}
} // namespace

TPreferences::TPreferences()
{
    for (const TPreference& row : MainPreferences())
        FValues.insert(row.Key, DefaultOf(row));
}

TPreferences TPreferences::Read(const TExeRegistry& registry)
{
    TPreferences result;
    for (const TPreference& row : MainPreferences()) {
        const QVariant fallback = result.FValues.value(row.Key);
        switch (row.Kind) {
        case TPrefKind::Flag: result.FValues[row.Key] = ReadBoolOr(registry, row.Key, fallback.toBool()); break;
        case TPrefKind::Number: result.FValues[row.Key] = ReadIntegerOr(registry, row.Key, fallback.toInt()); break;
        case TPrefKind::Text: result.FValues[row.Key] = ReadStringOr(registry, row.Key, fallback.toString()); break;
        }
    }
    return result;
}

void TPreferences::Write(TExeRegistry& registry) const
{
    for (const TPreference& row : MainPreferences()) {
        if (!row.WrittenAtExit)
            continue;
        const QVariant& value = FValues[row.Key];
        switch (row.Kind) {
        case TPrefKind::Flag: registry.WriteBool(row.Key, value.toBool()); break;
        case TPrefKind::Number: registry.WriteInteger(row.Key, value.toInt()); break;
        case TPrefKind::Text: registry.WriteString(row.Key, value.toString()); break;
        }
    }
}

bool TPreferences::Flag(const QString& key) const { return FValues.value(key).toBool(); }
int TPreferences::Number(const QString& key) const { return FValues.value(key).toInt(); }
QString TPreferences::Text(const QString& key) const { return FValues.value(key).toString(); }

void TPreferences::Set(const QString& key, const QVariant& value)
{
    const TPreference& row = Row(key);
    switch (row.Kind) {
    case TPrefKind::Flag: FValues[key] = value.toBool(); break;
    case TPrefKind::Number: FValues[key] = value.toInt(); break;
    case TPrefKind::Text: FValues[key] = value.toString(); break;
    }
}
