#pragma once
// A private home for one test: HOME and the XDG folders point into a
// temporary folder, and the settings store writes there, so no test ever
// reads or changes the user's own files.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TTestHome
{
public:
    TTestHome();
    ~TTestHome();
    QString Path() const { return FDir.path(); }
    QString ConfigFile() const; // the settings store's file
    QString DataFolder() const; // AppDataFolder() under this home
    QString Documents() const { return Path() + QStringLiteral("/Documents"); }
    // A runtime folder of this home's own (XDG_RUNTIME_DIR), so the program's
    // starts in one test meet only each other. Returns its path.
    QString PrivateRuntime() const;

private:
    QTemporaryDir FDir;
    QByteArray FSaved[6];
};
