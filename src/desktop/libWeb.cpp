#include "libWeb.h"

#include "libConst.h"

#include <QFileInfo>
#include <QUrl>

QString WebServer(const char16_t* builtIn)
{
    QString server = qEnvironmentVariable("KESTREL_WEB_SERVER").trimmed();
    while (server.endsWith(u'/'))
        server.chop(1);
    const QUrl url(server, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (server.isEmpty() || !url.isValid() || url.host().isEmpty() || url.hasQuery() || url.hasFragment()
        || (scheme != u"http" && scheme != u"https"))
        return QString::fromUtf16(builtIn);
    return server;
}

QString DownloadFolderAddress() { return WebServer(CDownloadServer) + QStringLiteral("/download/"); }

QString UpdateDescriptionAddress() { return DownloadFolderAddress() + Const::SUpdateFile; }

QString PackageAddress()
{
    return DownloadFolderAddress() + QFileInfo(Const::SUpdateFile).completeBaseName() + QStringLiteral(".zip");
}

QString ProductHomeAddress() { return WebServer(CRadioServer) + QStringLiteral("/lyrebird/"); }

QString StationLibraryAddress() { return WebServer(CRadioServer) + QStringLiteral("/radioshop/"); }

QString ForumAddress() { return WebServer(CForumServer) + u'/'; }
