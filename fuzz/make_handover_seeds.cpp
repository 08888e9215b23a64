// Writes the seed records of fuzz_handover: what later starts of the program
// send for typical command lines. Run with the corpus folder as argument.

#include "libInstance.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <utility>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const std::pair<const char*, QStringList> seeds[] = {
        {"no-arguments", {}},
        {"one-file", {QStringLiteral("/home/listener/电台/中国之声.radio")}},
        {"relative-file", {QStringLiteral("默认电台.radio")}},
        {"two-files", {QStringLiteral("/tmp/a.radio"), QStringLiteral("/tmp/新闻 频道/b.radio")}},
        {"spaces-and-marks", {QStringLiteral("/media/U盘/\u3000全角 空格/“引号”&<>.radio")}},
        {"options", {QStringLiteral("--"), QStringLiteral("-weird.radio"), QStringLiteral("file:///tmp/x.radio")}},
        {"emoji", {QStringLiteral("/home/listener/😀.radio")}},
    };
    for (const auto& [name, arguments] : seeds) {
        QFile file(folder.filePath(QString::fromLatin1(name) + QStringLiteral(".record")));
        const QByteArray record = HandOver::Pack(arguments);
        if (!file.open(QIODevice::WriteOnly) || file.write(record) != record.size()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file.fileName()), qPrintable(file.errorString()));
            return 1;
        }
    }
    return 0;
}
