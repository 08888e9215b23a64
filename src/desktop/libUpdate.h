#pragma once
// The update check: fetches the update description from the download
// directory, compares the version it names with the program's own and says
// what the user is to be told. It runs on the caller's event loop without
// blocking it and shows nothing itself; the window shows its boxes.

#include "libShell.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QUrl>

class QNetworkAccessManager;
class TDownload;

// Whether a network is there to reach an address; replaceable for tests.
class INetwork
{
public:
    virtual ~INetwork() = default;
    virtual bool Present(const QUrl& address) = 0;
};

// A loopback host is always reachable. Any other needs a network that
// QNetworkInformation reports as connected or, where it cannot tell, an
// interface other than loopback that is up and has an address.
class TSystemNetwork final : public INetwork
{
public:
    bool Present(const QUrl& address) override;
};

// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const QString& host);

// A version number as the description writes it: decimal digits with "."
// as separator whatever the locale. Anything else, a comma included, is 0.
double ReadVersionNumber(QStringView text);

// The [version] section of an update description: exe (0 when missing or
// not a number) and url (empty when missing). Section and key names are
// matched without regard to case, as INI readers do; the text is GBK.
struct TUpdateDescription
{
    double Version = 0;
    QString Url;
};
TUpdateDescription ReadUpdateDescription(QByteArrayView content);

// 15 s for the whole fetch, 64 KiB, 5 redirects.
TDownloadLimits UpdateCheckLimits();

// Where the fetched description is kept: beside the recent-files list.
QString UpdateDescriptionFile();

// What one check needs; Program() is the program's own.
struct TUpdateCheckSetup
{
    QString DescriptionAddress;
    // Opened on Yes when the description names no usable url.
    QString PackageAddress;
    QString LocalFile;
    double OwnVersion = 0;
    TDownloadLimits Limits = UpdateCheckLimits();

    static TUpdateCheckSetup Program(const TDownloadLimits& limits = UpdateCheckLimits());
};

enum class TUpdateResult { Newer, UpToDate, Failed };

struct TUpdateOutcome
{
    TUpdateResult Result = TUpdateResult::Failed;
    // With Newer: the address the Yes answer opens.
    QString Address;
};

// What the user is told about an outcome. A silent check only asks, when a
// newer version exists; a manual one also says "up to date" or "no network".
struct TUpdateReport
{
    enum TKind { Nothing, Question, ErrorMessage };
    TKind Kind = Nothing;
    QString Text;
};
TUpdateReport UpdateReport(const TUpdateOutcome& outcome, bool silent);

class TUpdateCheck : public QObject
{
    Q_OBJECT
public:
    // Without a network service there is no network.
    TUpdateCheck(bool silent, INetwork* network, TUpdateCheckSetup setup, QObject* parent = nullptr);
    ~TUpdateCheck() override;
    TUpdateCheck(const TUpdateCheck&) = delete;
    TUpdateCheck& operator=(const TUpdateCheck&) = delete;

    // Fetches the description into the local file (the older copy stays
    // unless a complete one replaces it) and compares. Only the first call
    // does anything.
    void Start();
    bool Silent() const { return FSilent; }
    bool IsFinished() const { return FFinished; }
    const TUpdateOutcome& Outcome() const { return FOutcome; }

Q_SIGNALS:
    // Once, whatever the outcome, always from the event loop: never from
    // inside Start.
    void Finished();

private:
    void Fetched(bool succeeded);
    void Finish(TUpdateResult result, const QString& address = QString());

    bool FSilent;
    INetwork* FNetwork;
    TUpdateCheckSetup FSetup;
    QNetworkAccessManager* FManager = nullptr;
    TDownload* FDownload = nullptr;
    TUpdateOutcome FOutcome;
    bool FStarted = false;
    bool FFinished = false;
};
