#pragma once
// The program's description of itself. The version record is embedded in every
// executable at build time (kestrel_embed_version_record in CMake) and read back
// from the file by path, so what the about box, the settings key and the update
// check see is what the file on disk carries.

#include <QString>

struct TExeInfo
{
    QString LegalTrademarks;
    QString ProductName;
    QString InternalName;
    QString CompanyName;
    QString FileDescription;
    QString LegalCopyright;
    QString VersionText; // "2.0.0.800." (with the trailing full stop)
    QString Comments;
    double VersionNumber = 0; // 2.008 for 2.0.0.800: major "." minor release build
};

// Fills info from the version record of the executable at path. A file without
// a record (or one that cannot be read) leaves info as it was; a key missing
// from the record gives an empty field while the others are filled.
void ReadExeInfo(const QString& path, TExeInfo& info);

// Sets VersionText and VersionNumber from a file version "major.minor.release.build"
// (each 0..65535). Returns false and leaves info alone when the text is no such
// version. The number is read with "." as decimal separator whatever the locale.
bool SetFileVersion(TExeInfo& info, const QString& fileVersion);

// Full path of the running executable: /proc/self/exe, else the application's
// own file path, else its first command-line word made absolute.
QString GetExePath();

// ReadExeInfo of the running executable; where the file carries no record (a
// test executable, a binary stripped of it) the values the program was built
// with stand in, so the settings key and captions never come out empty.
TExeInfo OwnExeInfo();
