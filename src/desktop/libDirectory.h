#pragma once
// The public station directory (radio-browser): finding its servers,
// searching it a page at a time, registering a listener's click, and making
// stations and station files from its results. No widgets; everything runs on
// the caller's event loop without blocking it.
//
// The environment variable KESTREL_RADIO_BROWSER (an http or https base
// address) stands in for the directory's servers, for tests and mirrors.

#include "libShell.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>

class QLocale;
class QNetworkAccessManager;
class TDownload;
class TRadio;

// One result, as the directory describes the station. Texts are trimmed; Url
// is the resolved stream address (the address as entered where the directory
// resolved none); Homepage is empty unless it is a web address.
struct TDirectoryStation
{
    QString Uuid;
    QString Name;
    QString Url;
    QString Homepage;
    QString Country; // the directory's country name: "China"
    QString CountryCode;
    QString Language;
    QString Codec;
    int Bitrate = 0; // kbit/s, 0 when unknown
    int Votes = 0;
};

// What to search for; empty fields do not narrow the search.
struct TDirectoryQuery
{
    QString Name;
    QString Tag;
    QString CountryCode;
    QString Language;
    int Offset = 0;
    int Limit = 50;
};

// The search's path and query on a directory server, most voted first and
// without the stations the directory found broken.
QString DirectorySearchPath(const TDirectoryQuery& query);

// One page of results read from the directory's JSON. Entries that are not
// objects, or whose stream address is no stream address at all, are dropped;
// Received counts every entry the server sent, so paging goes on from the
// right offset. Valid is false when the text is no JSON array.
struct TDirectoryPage
{
    bool Valid = false;
    int Received = 0;
    QList<TDirectoryStation> Stations;
};
TDirectoryPage ReadDirectoryPage(QByteArrayView json);

// The station a result makes: name, home page, language and country, and one
// link with the stream address, its bit rate as both rates when known and the
// kind its address needs (web addresses take the Windows Media role).
void MakeDirectoryRadio(const TDirectoryStation& station, TRadio& radio);

// A station name as a file's base name: characters a file name cannot hold on
// the desktops the files travel to, control characters and leading dots
// (which would hide the file) become "_"; cut so that a suffix still fits.
QString StationFileBaseName(QStringView name);

// Writes the result as folder/<name>.radio, or "<name> (2).radio" and so on
// when that name is taken: a file that exists is never replaced. Returns the
// path written; throws EProgramError with the program's message on failure.
QString SaveDirectoryStation(const TDirectoryStation& station, const QString& folder);

// The countries the search window offers, in its order; the first, with an
// empty code, is every country.
struct TDirectoryCountry
{
    QString Code;
    QString Name;
};
const QList<TDirectoryCountry>& DirectoryCountries();
// The country preselected for a desktop's language: the region of a Chinese
// locale when the list has it (zh_CN → CN, zh_TW → TW, zh_HK → HK, zh_SG →
// SG), else every country.
QString DefaultDirectoryCountry(const QLocale& locale);

// "Kestrel/2.0.0.800 (io.github.kestrelradio.Kestrel)": the program and its
// version, in the plain ASCII a header holds.
QByteArray DirectoryUserAgent();

// KESTREL_RADIO_BROWSER without its trailing slashes; empty when it is not
// set or is no plain http(s) address with a host.
QString DirectoryServerOverride();

// 15 s for each request, 2 MiB, 5 redirects.
TDownloadLimits DirectoryLimits();

// Where the directory's servers are; replaceable so tests serve their own.
class IDirectoryServers
{
public:
    virtual ~IDirectoryServers() = default;
    // Calls found once with the servers' base addresses in the order to try
    // them (empty: none found), later from context's event loop, never
    // inside Find; nothing is called once context is gone.
    virtual void Find(QObject* context, std::function<void(const QStringList&)> found) = 0;
};

// A fixed list, in its order: a mirror, or a test's own servers.
class TFixedDirectoryServers final : public IDirectoryServers
{
public:
    explicit TFixedDirectoryServers(QStringList servers) : FServers(std::move(servers)) {}
    void Find(QObject* context, std::function<void(const QStringList&)> found) override;

private:
    QStringList FServers;
};

// As the directory asks its clients: every address of its DNS name, each
// named by its reverse lookup (https needs the name), in a random order.
// Where no name comes back, the DNS name itself.
class TDnsDirectoryServers final : public IDirectoryServers
{
public:
    void Find(QObject* context, std::function<void(const QStringList&)> found) override;
};

struct TDirectorySetup
{
    // nullptr: KESTREL_RADIO_BROWSER when it is set, else the DNS lookup.
    IDirectoryServers* Servers = nullptr;
    // For each request to one server; tests shorten the time-out.
    TDownloadLimits Limits = DirectoryLimits();
};

class TDirectorySearch;

class TDirectory : public QObject
{
    Q_OBJECT
public:
    explicit TDirectory(const TDirectorySetup& setup = TDirectorySetup(), QObject* parent = nullptr);
    ~TDirectory() override;
    TDirectory(const TDirectory&) = delete;
    TDirectory& operator=(const TDirectory&) = delete;

    // Starts a search. The request is a child of the directory; deleting it
    // cancels it.
    TDirectorySearch* Search(const TDirectoryQuery& query);
    // Tells the server that answered last that a listener plays the station,
    // as the directory asks of its clients; nothing is reported back.
    void RegisterClick(const QString& uuid);
    // The server that answered last; empty until one has.
    QString Server() const;

private:
    friend class TDirectorySearch;
    // Runs ready once the servers are known, at once when they are.
    void WithServers(QObject* context, std::function<void()> ready);
    void ServersFound(const QStringList& servers);

    TDirectorySetup FSetup;
    // Read from the executable's version record once, not for every request.
    QByteArray FUserAgent;
    std::unique_ptr<IDirectoryServers> FOwnServers;
    QNetworkAccessManager* FManager = nullptr;
    QStringList FServers;
    bool FKnown = false;
    bool FFinding = false;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> FWaiting;
    // The server to try first: the one that answered last.
    int FFirst = 0;
    bool FAnswered = false;
};

// One search: the servers are tried in turn until one answers with a page.
class TDirectorySearch : public QObject
{
    Q_OBJECT
public:
    ~TDirectorySearch() override;
    TDirectorySearch(const TDirectorySearch&) = delete;
    TDirectorySearch& operator=(const TDirectorySearch&) = delete;

    const TDirectoryQuery& Query() const { return FQuery; }
    bool IsFinished() const { return FFinished; }
    bool Succeeded() const { return FSucceeded; }
    const TDirectoryPage& Page() const { return FPage; }
    // A full page: the directory may have more from Query().Offset + Page().Received.
    bool HasMore() const { return FSucceeded && FPage.Received >= FQuery.Limit && FQuery.Limit > 0; }

Q_SIGNALS:
    // Once, from the event loop, so a handler may delete the request.
    void Finished();

private:
    friend class TDirectory;
    TDirectorySearch(TDirectory* directory, const TDirectoryQuery& query);
    void Start();
    void Try(int attempt);
    void Fetched(int attempt, bool succeeded);
    void Finish(bool succeeded);

    TDirectory* FDirectory;
    TDirectoryQuery FQuery;
    QStringList FServers;
    TDownload* FDownload = nullptr;
    TDirectoryPage FPage;
    bool FFinished = false;
    bool FSucceeded = false;
};
