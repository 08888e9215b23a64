#include "vclThemes.h"

#include "vclOfficeXP.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace {

const QString CDefault = QStringLiteral("Default");
const QString COfficeXP = QStringLiteral("OfficeXP");

// The style the application chose for this desktop (its platform theme, the
// -style option or QT_STYLE_OVERRIDE), taken before any theme replaced it.
QString DesktopStyleKey()
{
    static const QString key = QApplication::style()->name();
    return key;
}

bool OfficeXPApplied() { return qobject_cast<const TOfficeXPStyle*>(QApplication::style()) != nullptr; }

void Apply(const QString& theme)
{
    if (theme == COfficeXP) {
        QApplication::setStyle(new TOfficeXPStyle);
        return;
    }
    // The desktop's style is made afresh: the application deleted the old one.
    if (QStyle* style = QStyleFactory::create(DesktopStyleKey()))
        QApplication::setStyle(style);
}

} // namespace

TThemes::TThemes(QObject* parent) : QObject(parent), FCurrent(CDefault)
{
    DesktopStyleKey();
    if (OfficeXPApplied())
        Apply(CDefault);
}

QStringList TThemes::Names() { return {CDefault, COfficeXP}; }

QString TThemes::Registered(const QString& name)
{
    for (const QString& theme : Names())
        if (theme.compare(name, Qt::CaseInsensitive) == 0)
            return theme;
    return QString();
}

void TThemes::SetCurrent(const QString& name)
{
    const QString theme = Registered(name);
    if (theme.isEmpty() || theme == FCurrent)
        return;
    FCurrent = theme;
    Apply(theme);
    Q_EMIT Changed(theme);
}
