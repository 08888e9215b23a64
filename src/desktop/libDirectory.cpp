#include "libDirectory.h"

#include "KestrelVersion.h"
#include "libConst.h"
#include "libDownload.h"
#include "libError.h"
#include "libExeInfo.h"
#include "libKind.h"
#include "libRadio.h"
#include "libText.h"
#include "libWeb.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QRandomGenerator>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Every server of the directory under one name, as its documentation says.
const QString CDirectoryHost = QStringLiteral("all.api.radio-browser.info");

// A file name of at most 255 bytes must still take " (9999).radio".
constexpr int MaxBaseNameBytes = 200;

QString JsonText(const QJsonValue& value)
{
    if (value.isString())
        return TrimText(value.toString());
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 15);
    return QString();
}

// Numbers come as numbers or, from older servers, as decimal text; what is
// no count (negative, fractional junk, out of range) is 0.
int JsonCount(const QJsonValue& value)
{
    double number = 0;
    if (value.isDouble()) {
        number = value.toDouble();
    } else if (value.isString()) {
        bool ok = false;
        number = QLocale::c().toDouble(TrimText(value.toString()), &ok);
        if (!ok)
            number = 0;
    }
    if (!(number > 0))
        return 0;
    return number >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(number);
}

// An address an engine may be handed: a stream scheme and a host. A file or
// a program's address from a stranger's entry must never reach an engine.
bool IsStreamAddress(const QString& address)
{
    if (StreamKindOfURL(address) == -2)
        return false;
    const QUrl url(address);
    return url.isValid() && !url.host().isEmpty();
}

// The uuids the directory hands out; anything else never goes into a path.
bool IsDirectoryUuid(QStringView uuid)
{
    if (uuid.isEmpty() || uuid.size() > 64)
        return false;
    return std::all_of(uuid.begin(), uuid.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'-';
    });
}

TDirectoryStation ReadStation(const QJsonObject& entry)
{
    TDirectoryStation station;
    station.Uuid = JsonText(entry.value(u"stationuuid"));
    station.Name = JsonText(entry.value(u"name"));
    const QString resolved = JsonText(entry.value(u"url_resolved"));
    const QString entered = JsonText(entry.value(u"url"));
    station.Url = IsStreamAddress(resolved) ? resolved : IsStreamAddress(entered) ? entered : QString();
    const QString homepage = JsonText(entry.value(u"homepage"));
    if (IsWebAddress(homepage))
        station.Homepage = homepage;
    station.Country = JsonText(entry.value(u"country"));
    station.CountryCode = JsonText(entry.value(u"countrycode")).toUpper();
    station.Language = JsonText(entry.value(u"language"));
    station.Codec = JsonText(entry.value(u"codec"));
    station.Bitrate = JsonCount(entry.value(u"bitrate"));
    station.Votes = JsonCount(entry.value(u"votes"));
    return station;
}

} // namespace

QString DirectorySearchPath(const TDirectoryQuery& query)
{
    QUrlQuery fields;
    const auto add = [&](const QString& key, const QString& value) {
        if (!value.isEmpty())
            fields.addQueryItem(key, QString::fromLatin1(QUrl::toPercentEncoding(value)));
    };
    add(QStringLiteral("name"), TrimText(query.Name));
    add(QStringLiteral("tag"), TrimText(query.Tag));
    add(QStringLiteral("countrycode"), TrimText(query.CountryCode).toUpper());
    add(QStringLiteral("language"), TrimText(query.Language));
    fields.addQueryItem(QStringLiteral("hidebroken"), QStringLiteral("true"));
    fields.addQueryItem(QStringLiteral("order"), QStringLiteral("votes"));
    fields.addQueryItem(QStringLiteral("reverse"), QStringLiteral("true"));
    fields.addQueryItem(QStringLiteral("offset"), QString::number(std::max(query.Offset, 0)));
    fields.addQueryItem(QStringLiteral("limit"), QString::number(std::max(query.Limit, 0)));
    return QStringLiteral("/json/stations/search?") + fields.query(QUrl::FullyEncoded);
}

TDirectoryPage ReadDirectoryPage(QByteArrayView json)
{
    TDirectoryPage page;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return page;
    page.Valid = true;
    const QJsonArray entries = document.array();
    page.Received = int(entries.size());
    for (const QJsonValue& entry : entries) {
        if (!entry.isObject())
            continue;
        TDirectoryStation station = ReadStation(entry.toObject());
        if (!station.Url.isEmpty())
            page.Stations.append(std::move(station));
    }
    return page;
}

void MakeDirectoryRadio(const TDirectoryStation& station, TRadio& radio)
{
    TRadio made;
    made.SetText(station.Name);
    made.SetHref(station.Homepage);
    made.SetLang(station.Language);
    made.SetLand(station.Country);
    TRadioLink* link = made.Links().Add();
    link->SetHref(station.Url);
    link->SetKind(LinkKindOf(StreamKindOfURL(station.Url)));
    if (station.Bitrate > 0) {
        const auto kbps = std::uint16_t(std::min(station.Bitrate, int(std::numeric_limits<std::uint16_t>::max())));
        link->SetBestKbps(kbps);
        link->SetShitKbps(kbps);
    }
    made.SetLink(0);
    radio.Assign(made);
}

QString StationFileBaseName(QStringView name)
{
    QString base = TrimText(name);
    for (QChar& c : base)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"\\/:*?\"<>|").contains(c))
            c = u'_';
    for (qsizetype i = 0; i < base.size() && base[i] == u'.'; ++i)
        base[i] = u'_';
    while (base.toUtf8().size() > MaxBaseNameBytes) {
        base.chop(1);
        // Never half of a surrogate pair.
        if (!base.isEmpty() && base.back().isHighSurrogate())
            base.chop(1);
    }
    return base.isEmpty() ? QStringLiteral("_") : base;
}

QString SaveDirectoryStation(const TDirectoryStation& station, const QString& folder)
{
    TRadio radio;
    MakeDirectoryRadio(station, radio);
    const QString base = folder + u'/' + StationFileBaseName(radio.DisplayText());
    QString path;
    for (int n = 1;; ++n) {
        path = n == 1 ? base + QStringLiteral(".radio") : base + QStringLiteral(" (%1).radio").arg(n);
        // Created exclusively, so that the name is this file's before anything
        // is written: a file that appears meanwhile is never replaced.
        QFile claim(path);
        if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        const QFileInfo info(path);
        if (n >= 10000 || !(info.exists() || info.isSymLink()))
            throw EProgramError(Const::SCannotCreateFile.arg(path, claim.errorString()));
    }
    try {
        radio.SaveToFile(path, sfStation);
    } catch (const EProgramError&) {
        QFile::remove(path);
        throw;
    }
    return path;
}

const QList<TDirectoryCountry>& DirectoryCountries()
{
    static const QList<TDirectoryCountry> countries = {
        {QString(), QStringLiteral("全部国家和地区")},      {QStringLiteral("CN"), QStringLiteral("中国")},
        {QStringLiteral("TW"), QStringLiteral("台湾")},     {QStringLiteral("HK"), QStringLiteral("香港")},
        {QStringLiteral("MO"), QStringLiteral("澳门")},     {QStringLiteral("SG"), QStringLiteral("新加坡")},
        {QStringLiteral("MY"), QStringLiteral("马来西亚")}, {QStringLiteral("US"), QStringLiteral("美国")},
        {QStringLiteral("CA"), QStringLiteral("加拿大")},   {QStringLiteral("GB"), QStringLiteral("英国")},
        {QStringLiteral("AU"), QStringLiteral("澳大利亚")}, {QStringLiteral("JP"), QStringLiteral("日本")},
        {QStringLiteral("KR"), QStringLiteral("韩国")},
    };
    return countries;
}

QString DefaultDirectoryCountry(const QLocale& locale)
{
    // A listener on another language's desktop is not assumed to want the
    // stations of the country the desktop is set to.
    if (locale.language() != QLocale::Chinese)
        return QString();
    const QString region = locale.name().section(u'_', -1).toUpper();
    for (const TDirectoryCountry& country : DirectoryCountries())
        if (!country.Code.isEmpty() && country.Code == region)
            return country.Code;
    return QString();
}

QByteArray DirectoryUserAgent()
{
    const TExeInfo info = OwnExeInfo();
    QString name;
    for (const QChar c : info.ProductName)
        if (c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_'))
            name += c;
    if (name.isEmpty())
        name = QStringLiteral("kestrel-radio");
    QString version = info.VersionText;
    if (version.endsWith(u'.'))
        version.chop(1);
    return (name + u'/' + version + QStringLiteral(" (") + QString::fromUtf16(KESTREL_APP_ID) + u')').toLatin1();
}

QString DirectoryServerOverride() { return BaseAddressFromEnvironment("KESTREL_RADIO_BROWSER"); }

TDownloadLimits DirectoryLimits()
{
    TDownloadLimits limits;
    limits.TimeoutMs = 15000;
    limits.MaxBytes = 2 * 1024 * 1024;
    limits.MaxRedirects = 5;
    return limits;
}

void TFixedDirectoryServers::Find(QObject* context, std::function<void(const QStringList&)> found)
{
    QMetaObject::invokeMethod(
        context, [servers = FServers, found = std::move(found)] { found(servers); }, Qt::QueuedConnection);
}

void TDnsDirectoryServers::Find(QObject* context, std::function<void(const QStringList&)> found)
{
    QHostInfo::lookupHost(CDirectoryHost, context, [context, found = std::move(found)](const QHostInfo& all) {
        struct TNames
        {
            QStringList Names;
            qsizetype Left = 0;
        };
        auto names = std::make_shared<TNames>();
        const auto finish = [names, found] {
            QStringList servers;
            QStringList hosts = names->Names;
            hosts.removeDuplicates();
            // A random order spreads the listeners over the servers.
            std::shuffle(hosts.begin(), hosts.end(), *QRandomGenerator::global());
            if (hosts.isEmpty())
                hosts += CDirectoryHost;
            for (const QString& host : std::as_const(hosts))
                servers += QStringLiteral("https://") + host;
            found(servers);
        };
        const QList<QHostAddress> addresses = all.addresses();
        names->Left = addresses.size();
        if (addresses.isEmpty()) {
            QMetaObject::invokeMethod(context, finish, Qt::QueuedConnection);
            return;
        }
        for (const QHostAddress& address : addresses) {
            const QString ip = address.toString();
            QHostInfo::lookupHost(ip, context, [names, finish, ip](const QHostInfo& reverse) {
                const QString host = reverse.hostName().toLower();
                if (reverse.error() == QHostInfo::NoError && !host.isEmpty() && host != ip)
                    names->Names += host;
                if (--names->Left == 0)
                    finish();
            });
        }
    });
}

TDirectory::TDirectory(const TDirectorySetup& setup, QObject* parent)
    : QObject(parent), FSetup(setup), FUserAgent(DirectoryUserAgent())
{
    if (!FSetup.Servers) {
        const QString mirror = DirectoryServerOverride();
        if (!mirror.isEmpty())
            FOwnServers = std::make_unique<TFixedDirectoryServers>(QStringList{mirror});
        else
            FOwnServers = std::make_unique<TDnsDirectoryServers>();
        FSetup.Servers = FOwnServers.get();
    }
    FManager = new QNetworkAccessManager(this);
}

TDirectory::~TDirectory()
{
    // The requests' fetches go before the manager they run on.
    const QList<TDirectorySearch*> searches = findChildren<TDirectorySearch*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(searches);
    const QList<TDownload*> downloads = findChildren<TDownload*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(downloads);
}

TDirectorySearch* TDirectory::Search(const TDirectoryQuery& query)
{
    auto* search = new TDirectorySearch(this, query);
    search->Start();
    return search;
}

void TDirectory::RegisterClick(const QString& uuid)
{
    if (!FAnswered || FServers.isEmpty() || !IsDirectoryUuid(uuid))
        return;
    auto* download = new TDownload(this);
    download->SetUserAgent(FUserAgent);
    TDownloadLimits limits = FSetup.Limits;
    limits.MaxBytes = std::min<qint64>(limits.MaxBytes, 64 * 1024);
    connect(download, &TDownload::Finished, download, &QObject::deleteLater);
    if (!download->Start(*FManager, Server() + QStringLiteral("/json/url/") + uuid, limits))
        delete download;
}

QString TDirectory::Server() const { return FAnswered ? FServers.value(FFirst) : QString(); }

void TDirectory::WithServers(QObject* context, std::function<void()> ready)
{
    if (FKnown) {
        ready();
        return;
    }
    FWaiting.append({QPointer<QObject>(context), std::move(ready)});
    if (FFinding)
        return;
    FFinding = true;
    FSetup.Servers->Find(this, [this](const QStringList& servers) { ServersFound(servers); });
}

void TDirectory::ServersFound(const QStringList& servers)
{
    FFinding = false;
    FKnown = true;
    FServers = servers;
    FFirst = 0;
    FAnswered = false;
    const auto waiting = std::exchange(FWaiting, {});
    for (const auto& [context, ready] : waiting)
        if (context)
            ready();
}

TDirectorySearch::TDirectorySearch(TDirectory* directory, const TDirectoryQuery& query)
    : QObject(directory), FDirectory(directory), FQuery(query)
{}

TDirectorySearch::~TDirectorySearch() { delete FDownload; }

void TDirectorySearch::Start()
{
    FDirectory->WithServers(this, [this] {
        FServers = FDirectory->FServers;
        // Starting from the server that answered last; the others in turn.
        const int first = FDirectory->FFirst;
        if (first > 0 && first < FServers.size())
            std::rotate(FServers.begin(), FServers.begin() + first, FServers.end());
        Try(0);
    });
}

void TDirectorySearch::Try(int attempt)
{
    delete FDownload;
    FDownload = nullptr;
    if (attempt >= FServers.size()) {
        // None answered: the next search looks for the servers again.
        FDirectory->FKnown = false;
        FDirectory->FAnswered = false;
        QMetaObject::invokeMethod(
            this, [this] { Finish(false); }, Qt::QueuedConnection);
        return;
    }
    FDownload = new TDownload;
    FDownload->SetUserAgent(FDirectory->FUserAgent);
    connect(FDownload, &TDownload::Finished, this, [this, attempt](bool succeeded) { Fetched(attempt, succeeded); });
    if (!FDownload->Start(*FDirectory->FManager, FServers[attempt] + DirectorySearchPath(FQuery),
                          FDirectory->FSetup.Limits))
        QMetaObject::invokeMethod(
            this, [this, attempt] { Try(attempt + 1); }, Qt::QueuedConnection);
}

void TDirectorySearch::Fetched(int attempt, bool succeeded)
{
    if (succeeded) {
        TDirectoryPage page = ReadDirectoryPage(FDownload->Body());
        if (page.Valid) {
            FPage = std::move(page);
            const int index = int(FDirectory->FServers.indexOf(FServers[attempt]));
            if (index >= 0) {
                FDirectory->FFirst = index;
                FDirectory->FAnswered = true;
            }
            Finish(true);
            return;
        }
    }
    // A server that is down, slow, refuses or answers with something that is
    // no list: the next one is asked.
    Try(attempt + 1);
}

void TDirectorySearch::Finish(bool succeeded)
{
    if (FFinished)
        return;
    delete FDownload;
    FDownload = nullptr;
    FFinished = true;
    FSucceeded = succeeded;
    Q_EMIT Finished();
}
