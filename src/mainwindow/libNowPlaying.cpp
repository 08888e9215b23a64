#include "libNowPlaying.h"

#include "libText.h"

#include <QStringList>

#include <algorithm>

namespace {
const QString SKbps = QStringLiteral("千比特/秒");
const QString SReconnectIn = QStringLiteral("连接已断开，%1秒后重新连接");
} // namespace

TPlayerReport TPlayerReport::Of(const TRadioPlayer& player)
{
    return {player.State(), player.InfoText(), player.Progress(), player.BitRate()};
}

QString BitRateText(int kbps) { return kbps > 0 ? QString::number(kbps) + SKbps : QString(); }

TStatusPanels StatusPanels(const TPlayerReport& report)
{
    TStatusPanels panels;
    panels.Texts[0] = report.ReconnectIn >= 0 ? SReconnectIn.arg(report.ReconnectIn) : report.InfoText;
    panels.Texts[2] = PlayerStateText(report.State);
    panels.Texts[3] = BitRateText(report.BitRate);
    panels.Gauge = report.Progress == 100 ? -1 : report.Progress;
    return panels;
}

QString TrayTipText(const TPlayerReport& report, const QString& caption)
{
    QStringList lines;
    if (report.State != psStopped || report.ReconnectIn >= 0) {
        for (const QString& text : StatusPanels(report).Texts) {
            const QString line = TrimText(text);
            if (!line.isEmpty())
                lines.append(line);
        }
    }
    return lines.isEmpty() ? caption : lines.join(QStringLiteral("\r\n"));
}

QString NowPlayingTitle(const TPlayerReport& report, const QString* stationText, bool publish, TTitleSource source)
{
    if (!publish || !stationText || report.State != psPlaying)
        return {};
    return TrimText(source == TTitleSource::Programme ? report.InfoText : *stationText);
}

QByteArray MessengerRecord(const QString& text, int category)
{
    static const char* const categories[] = {"Music", "Games", "Office"};
    const QString name = category >= 0 && category < 3 ? QString::fromLatin1(categories[category]) : QString();
    const QString slash0 = QStringLiteral("\\0");
    const QString message =
        text.isEmpty()
            ? slash0 + name + slash0 + u'0' + slash0 + slash0 + slash0 + slash0 + slash0 + QChar(0)
            : slash0 + name + slash0 + u'1' + slash0 + text + slash0 + QStringLiteral("WMContentID") + QChar(0);
    QByteArray record(MessengerRecordBytes, '\0');
    const qsizetype units = std::min<qsizetype>(message.size(), MessengerRecordBytes / 2 - 1);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t unit = message.at(i).unicode();
        record[2 * i] = char(unit & 0xFF);
        record[2 * i + 1] = char(unit >> 8);
    }
    return record;
}

void TNowPlaying::Update(const TInput& input)
{
    const TStatusPanels panels = StatusPanels(input.Player);
    const QString tip = TrayTipText(input.Player, input.Caption);
    const QString title = NowPlayingTitle(input.Player, input.StationText, input.Publish, input.Source);
    const TPlayerState state = input.Player.State;
    // All values are taken before any signal: a receiver may update again.
    const bool panelsChanged = panels != FPanels;
    const bool tipChanged = tip != FTip;
    const bool titleChanged = title != FTitle;
    const bool stateChanged = state != FState;
    FPanels = panels;
    FTip = tip;
    FTitle = title;
    FState = state;
    if (panelsChanged)
        Q_EMIT PanelsChanged(panels);
    if (tipChanged)
        Q_EMIT TipChanged(tip);
    if (titleChanged)
        Q_EMIT TitleChanged(title);
    if (stateChanged)
        Q_EMIT StateChanged(state);
}
