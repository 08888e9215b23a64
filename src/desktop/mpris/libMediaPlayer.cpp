#include "libMediaPlayer.h"

#include <algorithm>
#include <cmath>

QDBusObjectPath TrackPath(quint64 track)
{
    // Track paths must not lie under /org/mpris, which MPRIS2 keeps for its own.
    return QDBusObjectPath(track == 0 ? QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")
                                      : QStringLiteral("/io/github/kestrelradio/Kestrel/Track/%1").arg(track));
}

QVariantMap PlayerProperties(const TMediaState& state, const QDBusObjectPath& track)
{
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(track));
    // Without a published text the clients show no title rather than an empty one.
    if (!state.Title.isEmpty())
        metadata.insert(QStringLiteral("xesam:title"), state.Title);
    if (!state.Station.isEmpty())
        metadata.insert(QStringLiteral("xesam:album"), state.Station);

    return {
        {QStringLiteral("PlaybackStatus"), state.Playing ? QStringLiteral("Playing") : QStringLiteral("Stopped")},
        {QStringLiteral("Metadata"), metadata},
        {QStringLiteral("Volume"), state.Volume / 100.0},
        {QStringLiteral("CanPlay"), state.CanPlay},
        // Pause stops the stream, so whatever can play can pause.
        {QStringLiteral("CanPause"), state.CanPlay},
        {QStringLiteral("CanGoNext"), state.CanGoNext},
        {QStringLiteral("CanGoPrevious"), state.CanGoPrevious},
    };
}

QVariantMap ChangedProperties(const QVariantMap& before, const QVariantMap& after)
{
    QVariantMap changed;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.cend() || *old != it.value())
            changed.insert(it.key(), it.value());
    }
    return changed;
}

std::optional<int> ProgramVolume(double clientVolume)
{
    if (std::isnan(clientVolume))
        return std::nullopt;
    return static_cast<int>(std::lround(std::clamp(clientVolume, 0.0, 1.0) * 100));
}
