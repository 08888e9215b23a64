#pragma once
// The main window's preferences: one table of keys, kinds and defaults, read
// and written as a whole, and the options the options dialog edits on the
// live window. Free of widgets.

#include "libOptions.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

class TExeRegistry;

namespace Pref {
inline const QString AutoPlay = QStringLiteral("AutoPlay");
inline const QString MSNTitle = QStringLiteral("MSNTitle");
inline const QString MSNTitleMode = QStringLiteral("MSNTitleMode");
inline const QString AutoMini = QStringLiteral("AutoMini");
inline const QString InsTray = QStringLiteral("InsTray");
inline const QString TopMost = QStringLiteral("TopMost");
inline const QString BarHint = QStringLiteral("BarHint");
inline const QString BarTool = QStringLiteral("BarTool");
inline const QString BarLock = QStringLiteral("BarLock");
inline const QString Columns = QStringLiteral("Columns");
inline const QString Panel = QStringLiteral("Panel");
inline const QString Volume = QStringLiteral("Volume");
inline const QString Radio = QStringLiteral("Radio");
inline const QString BarText = QStringLiteral("BarText");
inline const QString Theme = QStringLiteral("Theme");
inline const QString Notify = QStringLiteral("Notify");
inline const QString Reconnect = QStringLiteral("Reconnect");
} // namespace Pref

enum class TPrefKind { Flag, Number, Text };

struct TPreference
{
    QString Key;
    TPrefKind Kind;
    // The value an absent or wrongly typed stored value yields. An invalid
    // QVariant for Radio: the default station file, known only at run time.
    QVariant Default;
    // False for a preference another dialog owns (AutoMini).
    bool WrittenAtExit;
};

// In reading order.
const QList<TPreference>& MainPreferences();

// One value per preference of the table.
class TPreferences
{
public:
    // Every preference at its default.
    TPreferences();
    // The stored values of the open program key; each one that is absent or
    // of another type is its default, without affecting the others.
    static TPreferences Read(const TExeRegistry& registry);
    // Writes the preferences written at exit into the open program key.
    void Write(TExeRegistry& registry) const;

    bool Flag(const QString& key) const;
    int Number(const QString& key) const;
    QString Text(const QString& key) const;
    // Unknown keys are refused: a typo must not become a new setting.
    void Set(const QString& key, const QVariant& value);

private:
    QHash<QString, QVariant> FValues;
};
