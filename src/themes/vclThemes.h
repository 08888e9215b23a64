#pragma once
// The program's visual themes: "Default", the desktop's own Qt style, and
// "OfficeXP", flat menus and tool bars with a light highlight in a thin
// border. A theme is application-wide; the switcher is the one place that
// changes it.

#include <QObject>
#include <QString>
#include <QStringList>

class TThemes : public QObject
{
    Q_OBJECT
public:
    // Starts with "Default" current: a theme an earlier window left behind in
    // the same process is undone, so every window starts as the program does.
    explicit TThemes(QObject* parent = nullptr);

    // The registered themes, in the order the theme menu lists them.
    static QStringList Names();
    // The registered spelling of name, any letter case; empty when none is.
    static QString Registered(const QString& name);

    QString Current() const { return FCurrent; }
    // Makes the registered theme of that name current (any letter case); a
    // name that is not registered changes nothing. Changed follows a real
    // change only.
    void SetCurrent(const QString& name);

Q_SIGNALS:
    void Changed(const QString& name);

private:
    QString FCurrent;
};
