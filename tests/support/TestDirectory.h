#pragma once
// A loopback stand-in for the station directory's API: the search answers
// with a page of its stations (those whose name holds the query's name, in
// the order they were added), and every request is kept, so a test reads what
// the program asked and how it named itself. A server can also be down,
// stall or answer with something that is no list.

#include "TestHttpServer.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrlQuery>

class TTestDirectory
{
public:
    enum TMode { Answers, Fails, Stalls, Garbage };
    explicit TTestDirectory(TMode mode = Answers);

    bool Listen();
    QString Base() const { return FServer.Base(); }

    // The station the directory lists as number n: a name, a stream on a
    // closed loopback port, a home page, China, MP3 at 128 kbit/s.
    static QJsonObject Station(int n);
    // Served in this order.
    QList<QJsonObject> Stations;

    // The queries of the searches asked, in order.
    QList<QUrlQuery> Searches() const;
    // The uuids of the clicks registered, in order.
    QStringList Clicks() const;
    // The User-Agent of every request, in order.
    QList<QByteArray> UserAgents() const;
    int Requests() const { return int(FServer.Requested().size()); }

private:
    void Search(QTcpSocket* socket);

    TMode FMode;
    TTestHttpServer FServer;
};
