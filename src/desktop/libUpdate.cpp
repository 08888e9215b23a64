#include "libUpdate.h"

#include "libConst.h"
#include "libDownload.h"
#include "libExeInfo.h"
#include "libRegistry.h"
#include "libText.h"
#include "libWeb.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QRegularExpression>

#include <cmath>

namespace {

// Loaded once, on first use; nullptr where no backend can say anything.
QNetworkInformation* NetworkInformation()
{
    static const bool loaded = QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    return loaded ? QNetworkInformation::instance() : nullptr;
}

bool AnInterfaceIsUp()
{
    for (const QNetworkInterface& face : QNetworkInterface::allInterfaces()) {
        const QNetworkInterface::InterfaceFlags flags = face.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
            && !flags.testFlag(QNetworkInterface::IsLoopBack) && !face.addressEntries().isEmpty())
            return true;
    }
    return false;
}

// An INI value as profile readers give it: trimmed, one pair of enclosing
// quotes removed.
QString Unquoted(QString value)
{
    value = TrimText(value);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value;
}

} // namespace

bool TSystemNetwork::Present(const QUrl& address)
{
    if (IsLoopbackHost(address.host()))
        return true;
    if (QNetworkInformation* information = NetworkInformation()) {
        switch (information->reachability()) {
        case QNetworkInformation::Reachability::Disconnected: return false;
        case QNetworkInformation::Reachability::Local:
        case QNetworkInformation::Reachability::Site:
        case QNetworkInformation::Reachability::Online: return true;
        case QNetworkInformation::Reachability::Unknown: break;
        }
    }
    return AnInterfaceIsUp();
}

bool IsLoopbackHost(const QString& host)
{
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

double ReadVersionNumber(QStringView text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString trimmed = TrimText(text);
    if (!number.match(trimmed).hasMatch())
        return 0;
    bool ok = false;
    const double value = QLocale::c().toDouble(trimmed, &ok);
    return ok && std::isfinite(value) ? value : 0;
}

TUpdateDescription ReadUpdateDescription(QByteArrayView content)
{
    if (content.startsWith("\xEF\xBB\xBF"))
        content = content.sliced(3);
    TUpdateDescription description;
    bool inVersion = false;
    bool seenVersion = false;
    bool haveExe = false;
    bool haveUrl = false;
    for (const QString& raw : FromGbk(content).split(u'\n')) {
        const QString line = TrimText(raw);
        if (line.startsWith(u'[')) {
            // Only the first section of the name counts, as with profile readers.
            const qsizetype close = line.indexOf(u']');
            const QString name = TrimText(QStringView(line).sliced(1, (close < 0 ? line.size() : close) - 1));
            inVersion = !seenVersion && name.compare(u"version", Qt::CaseInsensitive) == 0;
            seenVersion = seenVersion || inVersion;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inVersion || line.startsWith(u';') || equals <= 0)
            continue;
        const QString key = TrimText(QStringView(line).first(equals));
        const QString value = Unquoted(line.sliced(equals + 1));
        if (!haveExe && key.compare(u"exe", Qt::CaseInsensitive) == 0) {
            description.Version = ReadVersionNumber(value);
            haveExe = true;
        } else if (!haveUrl && key.compare(u"url", Qt::CaseInsensitive) == 0) {
            description.Url = value;
            haveUrl = true;
        }
    }
    return description;
}

TDownloadLimits UpdateCheckLimits()
{
    TDownloadLimits limits;
    limits.TimeoutMs = 15000;
    limits.MaxBytes = 64 * 1024;
    limits.MaxRedirects = 5;
    return limits;
}

QString UpdateDescriptionFile()
{
    return QFileInfo(ComponentFilePath(QStringLiteral("winMain"), QStringLiteral("subRecent"))).absolutePath() + u'/'
           + Const::SUpdateFile;
}

TUpdateCheckSetup TUpdateCheckSetup::Program(const TDownloadLimits& limits)
{
    TUpdateCheckSetup setup;
    setup.DescriptionAddress = ::UpdateDescriptionAddress();
    setup.PackageAddress = ::PackageAddress();
    setup.LocalFile = UpdateDescriptionFile();
    setup.OwnVersion = OwnExeInfo().VersionNumber;
    setup.Limits = limits;
    return setup;
}

TUpdateReport UpdateReport(const TUpdateOutcome& outcome, bool silent)
{
    switch (outcome.Result) {
    case TUpdateResult::Newer: return {TUpdateReport::Question, Const::SUpdateAvailable};
    case TUpdateResult::UpToDate:
        return silent ? TUpdateReport() : TUpdateReport{TUpdateReport::ErrorMessage, Const::SUpToDate};
    case TUpdateResult::Failed: break;
    }
    return silent ? TUpdateReport() : TUpdateReport{TUpdateReport::ErrorMessage, Const::SNoNetwork};
}

TUpdateCheck::TUpdateCheck(bool silent, INetwork* network, TUpdateCheckSetup setup, QObject* parent)
    : QObject(parent), FSilent(silent), FNetwork(network), FSetup(std::move(setup))
{}

TUpdateCheck::~TUpdateCheck()
{
    // The fetch goes before the manager it runs on.
    delete FDownload;
}

void TUpdateCheck::Start()
{
    if (FStarted)
        return;
    FStarted = true;
    const QUrl address(FSetup.DescriptionAddress);
    bool fetching = false;
    if (FNetwork && FNetwork->Present(address)) {
        FManager = new QNetworkAccessManager(this);
        FDownload = new TDownload(this);
        connect(FDownload, &TDownload::Finished, this, &TUpdateCheck::Fetched);
        fetching = FDownload->Start(*FManager, FSetup.DescriptionAddress, FSetup.LocalFile, FSetup.Limits);
    }
    if (!fetching)
        QMetaObject::invokeMethod(
            this, [this] { Finish(TUpdateResult::Failed); }, Qt::QueuedConnection);
}

void TUpdateCheck::Fetched(bool succeeded)
{
    QFile file(FSetup.LocalFile);
    if (!succeeded || !file.open(QIODevice::ReadOnly)) {
        Finish(TUpdateResult::Failed);
        return;
    }
    const TUpdateDescription description = ReadUpdateDescription(file.read(FSetup.Limits.MaxBytes));
    if (file.error() != QFileDevice::NoError) {
        Finish(TUpdateResult::Failed);
        return;
    }
    if (FSetup.OwnVersion >= description.Version) {
        Finish(TUpdateResult::UpToDate);
        return;
    }
    // Only a web address goes to the browser: a description that names a
    // local file or a program's scheme gets the package address instead.
    Finish(TUpdateResult::Newer, IsWebAddress(description.Url) ? description.Url : FSetup.PackageAddress);
}

void TUpdateCheck::Finish(TUpdateResult result, const QString& address)
{
    if (FFinished)
        return;
    FFinished = true;
    FOutcome.Result = result;
    FOutcome.Address = address;
    Q_EMIT Finished();
}
