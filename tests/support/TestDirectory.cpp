#include "TestDirectory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QUrl>

using namespace Qt::StringLiterals;

TTestDirectory::TTestDirectory(TMode mode) : FMode(mode) {}

bool TTestDirectory::Listen()
{
    FServer.Handle("/json/stations/search", [this](QTcpSocket* socket) { Search(socket); });
    return FServer.Listen();
}

QJsonObject TTestDirectory::Station(int n)
{
    const QString number = QString::number(n);
    return QJsonObject{
        {u"changeuuid"_s, u"ffffffff-0000-0000-0000-000000000000"_s},
        {u"stationuuid"_s, QStringLiteral("00000000-0000-0000-0000-%1").arg(n, 12, 10, QChar(u'0'))},
        {u"name"_s, QStringLiteral("测试电台 ") + number},
        {u"url"_s, QStringLiteral("http://127.0.0.1:9/listen%1.pls").arg(n)},
        {u"url_resolved"_s, QStringLiteral("http://127.0.0.1:9/stream%1").arg(n)},
        {u"homepage"_s, QStringLiteral("http://example.cn/%1").arg(n)},
        {u"favicon"_s, u""_s},
        {u"tags"_s, u"news,talk"_s},
        {u"country"_s, u"China"_s},
        {u"countrycode"_s, u"CN"_s},
        {u"language"_s, u"chinese,mandarin"_s},
        {u"votes"_s, 1000 - n},
        {u"codec"_s, u"MP3"_s},
        {u"bitrate"_s, 128},
        {u"lastcheckok"_s, 1},
    };
}

QList<QUrlQuery> TTestDirectory::Searches() const
{
    QList<QUrlQuery> searches;
    for (const QByteArray& path : FServer.Requested())
        if (path.startsWith("/json/stations/search"))
            searches += QUrlQuery(QUrl(QString::fromLatin1(path)).query(QUrl::FullyEncoded));
    return searches;
}

QStringList TTestDirectory::Clicks() const
{
    QStringList clicks;
    for (const QByteArray& path : FServer.Requested())
        if (path.startsWith("/json/url/"))
            clicks += QString::fromLatin1(path.mid(10));
    return clicks;
}

QList<QByteArray> TTestDirectory::UserAgents() const
{
    QList<QByteArray> agents;
    for (const QByteArray& head : FServer.Heads()) {
        QByteArray agent;
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith("user-agent:"))
                agent = line.mid(11).trimmed();
        agents += agent;
    }
    return agents;
}

void TTestDirectory::Search(QTcpSocket* socket)
{
    switch (FMode) {
    case Stalls: return; // accepted, and never a byte back
    case Fails:
        socket->write("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 4\r\nConnection: close\r\n\r\nbusy");
        socket->disconnectFromHost();
        return;
    case Garbage:
        socket->write(TTestHttpServer::Ok("<html>maintenance</html>"));
        socket->disconnectFromHost();
        return;
    case Answers: break;
    }
    const QUrlQuery query(QUrl(QString::fromLatin1(FServer.Requested().last())).query(QUrl::FullyEncoded));
    const QString name = query.queryItemValue(u"name"_s, QUrl::FullyDecoded);
    const QString country = query.queryItemValue(u"countrycode"_s, QUrl::FullyDecoded);
    const int offset = query.queryItemValue(u"offset"_s).toInt();
    const int limit = query.hasQueryItem(u"limit"_s) ? query.queryItemValue(u"limit"_s).toInt() : 100000;
    QJsonArray matches;
    for (const QJsonObject& station : Stations)
        if (station[u"name"_s].toString().contains(name, Qt::CaseInsensitive)
            && (country.isEmpty() || station[u"countrycode"_s].toString() == country))
            matches.append(station);
    QJsonArray page;
    for (qsizetype i = offset; i < matches.size() && i < qsizetype(offset) + limit; ++i)
        page.append(matches[i]);
    socket->write(TTestHttpServer::Ok(QJsonDocument(page).toJson(QJsonDocument::Compact)));
    socket->disconnectFromHost();
}
