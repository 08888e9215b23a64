#pragma once
// The per-user settings store: a small hierarchical key/value store with typed
// values, kept by QSettings in ~/.config/<CompanyName>/<InternalName>.conf.
// Used in short transactions: create, open one key, read or write, close,
// destroy. Nothing is cached between transactions.

#include <QSettings>
#include <QString>

#include <memory>

class TExeRegistry
{
public:
    TExeRegistry();
    ~TExeRegistry();
    TExeRegistry(const TExeRegistry&) = delete;
    TExeRegistry& operator=(const TExeRegistry&) = delete;

    // "\Software\<CompanyName>\<InternalName>", recomputed from the version
    // record at each call. It is the root of the settings file.
    static QString ProgramKeyPath();

    // Opens program key + "\" + subKey (the program key itself when empty),
    // creating it when missing. False when the store can be neither read nor written.
    bool OpenProgramKey(const QString& subKey = QString());
    // A path starting with "\" is absolute from the root, any other relative to
    // the open key (or the root). Absolute paths outside the program key are
    // not kept by this store and fail. Without canCreate a missing key fails.
    bool OpenKey(const QString& path, bool canCreate);
    void CloseKey();
    // The open key relative to the program key ("" = the program key itself,
    // "winMain" for a placement sub key); empty also when no key is open.
    QString CurrentPath() const;
    bool HasOpenKey() const { return FOpen; }

    bool ValueExists(const QString& name) const;
    // A missing value gives the default and is not written back; a value of
    // another type throws EProgramError "Invalid data type for '<name>'".
    bool ReadBool(const QString& name, bool defaultValue) const;
    int ReadInteger(const QString& name, int defaultValue) const;
    QString ReadString(const QString& name, const QString& defaultValue) const;

    // Throw EProgramError "Failed to set data for '<name>'" when the value
    // cannot be stored (no open key, the file cannot be written).
    void WriteBool(const QString& name, bool value); // 1 or 0, an integer
    void WriteInteger(const QString& name, int value);
    void WriteString(const QString& name, const QString& value);
    // True when the value existed and is gone.
    bool DeleteValue(const QString& name);

    // The QSettings format of the store: an INI-like text that keeps integers
    // and strings apart (plain INI loses the difference).
    static QSettings::Format Format();

private:
    QString FullName(const QString& name) const;
    void Store(const QString& name, const QVariant& value);

    std::unique_ptr<QSettings> FSettings;
    QString FPath; // groups joined with "/", relative to the program key
    bool FOpen = false;
};

// A stored value as the caller's default when it is missing, of another type
// (a hand-edited file) or when no key is open: one damaged value never stops
// the others from being read. Preferences and placements read through these.
bool ReadBoolOr(const TExeRegistry& registry, const QString& name, bool defaultValue);
int ReadIntegerOr(const TExeRegistry& registry, const QString& name, int defaultValue);
QString ReadStringOr(const TExeRegistry& registry, const QString& name, const QString& defaultValue);

// The per-user application data folder (the folder QStandardPaths::AppDataLocation
// names for <CompanyName>/<InternalName>), created when missing. No trailing "/".
QString AppDataFolder();

// Sets the application's organisation and name to CompanyName and InternalName,
// so that QStandardPaths::AppDataLocation names AppDataFolder() too. The program
// calls it once after creating its QApplication.
void SetProgramIdentity();

// AppDataFolder() + "/" + owner + component + ".ini": the list file of one
// component (winMain + subRecent gives winMainsubRecent.ini).
QString ComponentFilePath(const QString& owner, const QString& component);
