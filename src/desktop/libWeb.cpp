#include "libWeb.h"

#include "libConst.h"

#include <QFileInfo>
#include <QUrl>

bool IsWebAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

QString BaseAddressFromEnvironment(const char* variable)
{
    QString server = qEnvironmentVariable(variable).trimmed();
    while (server.endsWith(u'/'))
        server.chop(1);
    const QUrl url(server, QUrl::StrictMode);
    if (!IsWebAddress(server) || url.hasQuery() || url.hasFragment())
        return QString();
    return server;
}

QString WebServer(const char16_t* builtIn)
{
    const QString server = BaseAddressFromEnvironment("KESTREL_WEB_SERVER");
    return server.isEmpty() ? QString::fromUtf16(builtIn) : server;
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
