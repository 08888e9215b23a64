// Times `kestrel-radio-cli info` on generated stations of 1,000, 10,000 and
// 100,000 links: the median of several runs, and the cost per link, which
// must stay flat as the station grows.
//
//   bench_station_info CLI [RUNS]

#include "libRadio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

void MakeStation(int links, const QString& fileName)
{
    TRadio radio;
    radio.SetText(QStringLiteral("测试电台 %1").arg(links));
    radio.SetHref(QStringLiteral("http://www.example.cn/"));
    radio.SetKind(QStringLiteral("音乐"));
    radio.SetLang(QStringLiteral("中文"));
    radio.SetLand(QStringLiteral("中国"));
    radio.SetMenu(QStringLiteral("http://www.example.cn/节目单"));
    radio.Links().BeginUpdate();
    for (int i = 0; i < links; ++i) {
        TRadioLink* link = radio.Links().Add();
        link->SetText(QStringLiteral("线路 %1").arg(i));
        link->SetHref(QStringLiteral("http://stream%1.example.cn:8000/live/%2.mp3").arg(i % 100).arg(i));
        link->SetKind(i % 3 == 0 ? skRealMedia : skWindowsMedia);
        link->SetShitKbps(static_cast<std::uint16_t>(24 + i % 8));
        link->SetBestKbps(static_cast<std::uint16_t>(128 + i % 64));
    }
    radio.Links().EndUpdate();
    radio.SaveToFile(fileName);
}

struct TTimes
{
    double Wall;
    double Cpu;
};

double ChildCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Medians of wall-clock and CPU time (user + system); the CPU time is what to
// compare on a busy machine.
TTimes MedianMs(const QString& cli, const QString& fileName, int runs)
{
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        const double cpuBefore = ChildCpuMs();
        timer.start();
        process.start(cli, {QStringLiteral("info"), fileName});
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            std::fprintf(stderr, "info failed on %s\n", qPrintable(fileName));
            std::exit(1);
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(ChildCpuMs() - cpuBefore);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times[times.size() / 2], cpu[cpu.size() / 2]};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_station_info CLI [RUNS]\n");
        return 2;
    }
    const QString cli = args[1];
    const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 7;
    QTemporaryDir dir;
    std::printf("%8s %12s %10s %10s %12s\n", "links", "file bytes", "wall ms", "cpu ms", "cpu us/link");
    for (int links : {1000, 10000, 100000}) {
        const QString fileName = dir.filePath(QStringLiteral("links-%1.radio").arg(links));
        MakeStation(links, fileName);
        const TTimes ms = MedianMs(cli, fileName, runs);
        std::printf("%8d %12lld %10.1f %10.1f %12.2f\n", links, static_cast<long long>(QFileInfo(fileName).size()),
                    ms.Wall, ms.Cpu, ms.Cpu * 1000.0 / links);
        std::fflush(stdout);
    }
    return 0;
}
