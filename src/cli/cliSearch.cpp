// The search command: asks the online station directory and prints each
// result as one line of JSON; with --save it also writes each as a station file.

#include "cliCommands.h"

#include "libConst.h"
#include "libDirectory.h"
#include "libError.h"

#include <QDir>
#include <QEventLoop>

#include <algorithm>
#include <memory>

namespace {

const QString SearchUsage = QStringLiteral("用法: search TEXT [--country CC] [--limit N] [--save DIR]");

// Asked a page at a time, so a large limit never makes one huge answer.
constexpr int PageSize = 100;
constexpr int DefaultLimit = 50;
constexpr int MaxLimit = 10000;

struct TSearchRequest
{
    QString Text;
    bool HaveText = false;
    QString Country;
    int Limit = DefaultLimit;
    QString SaveFolder;
};

int ParseArguments(const QStringList& args, TSearchRequest& request)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool option = arg == u"--country" || arg == u"--limit" || arg == u"--save";
        if (!option) {
            if (arg.startsWith(u"--"))
                return UsageError(QStringLiteral("未知的选项: ") + arg);
            if (request.HaveText)
                return UsageError(SearchUsage);
            request.Text = arg;
            request.HaveText = true;
            continue;
        }
        if (i + 1 >= args.size())
            return UsageError(QStringLiteral("选项缺少值: ") + arg);
        const QString value = args[++i];
        if (arg == u"--country") {
            const bool letters = value.size() == 2 && std::all_of(value.begin(), value.end(), [](QChar c) {
                                     return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
                                 });
            if (!letters)
                return UsageError(QStringLiteral("国家代码应为两个字母(如 CN): ") + value);
            request.Country = value.toUpper();
        } else if (arg == u"--limit") {
            bool ok = false;
            request.Limit = value.toInt(&ok);
            if (!ok || request.Limit < 1 || request.Limit > MaxLimit)
                return UsageError(QStringLiteral("结果数应为 1 到 %1 之间的整数: ").arg(MaxLimit) + value);
        } else {
            if (value.isEmpty())
                return UsageError(SearchUsage);
            request.SaveFolder = value;
        }
    }
    if (!request.HaveText)
        return UsageError(SearchUsage);
    return cliOk;
}

QString ResultLine(const TDirectoryStation& station)
{
    QString out;
    TJsonObjectWriter(out)
        .Member(u"name", station.Name)
        .Member(u"url", station.Url)
        .Member(u"homepage", station.Homepage)
        .Member(u"country", station.Country)
        .Member(u"countrycode", station.CountryCode)
        .Member(u"language", station.Language)
        .Member(u"codec", station.Codec)
        .Member(u"bitrate", station.Bitrate)
        .Member(u"votes", station.Votes)
        .Member(u"uuid", station.Uuid)
        .Close();
    out += u'\n';
    return out;
}

} // namespace

int CmdSearch(const QStringList& args)
{
    TSearchRequest request;
    if (const int result = ParseArguments(args, request); result != cliOk)
        return result;
    if (!request.SaveFolder.isEmpty() && !QDir().mkpath(request.SaveFolder)) {
        WriteErr(QStringLiteral("无法创建文件夹: ") + request.SaveFolder + u'\n');
        return cliFailed;
    }

    TDirectory directory;
    TDirectoryQuery query;
    query.Name = request.Text;
    query.CountryCode = request.Country;
    int result = cliOk;
    while (query.Offset < request.Limit) {
        query.Limit = std::min(PageSize, request.Limit - query.Offset);
        const std::unique_ptr<TDirectorySearch> search(directory.Search(query));
        QEventLoop loop;
        QObject::connect(search.get(), &TDirectorySearch::Finished, &loop, &QEventLoop::quit);
        loop.exec();
        if (!search->Succeeded()) {
            WriteErr(Const::SDirectoryUnreachable + u'\n');
            return cliFailed;
        }
        for (const TDirectoryStation& station : search->Page().Stations) {
            WriteOut(ResultLine(station));
            if (request.SaveFolder.isEmpty())
                continue;
            try {
                WriteErr(SaveDirectoryStation(station, request.SaveFolder) + u'\n');
            } catch (const EProgramError& error) {
                WriteErr(error.Message() + u'\n');
                result = cliFailed;
            }
        }
        if (!search->HasMore())
            break;
        query.Offset += search->Page().Received;
    }
    return result;
}
