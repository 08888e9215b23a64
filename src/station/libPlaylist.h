#pragma once
// Playlists read as stations: PLS, M3U/M3U8, ASX (WAX, WVX), RAM and XSPF.
// The readers are lenient where real files are sloppy (keys in any case, a
// missing final line end, a byte-order mark, GBK text without a word about
// it, a bare "&" in an ASX address) and strict where a file could hurt
// (no entity expansion or internal DTD, bounded size, entry count and depth).

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUrl>

#include <array>

class TRadio;

enum class TPlaylistFormat : quint8 { None, PLS, M3U, ASX, RAM, XSPF };

// A playlist type the open dialog offers, with the patterns of its file
// names. Where a format is also exported, its caption and patterns are the
// export table's, so the two never disagree.
struct TPlaylistType
{
    TPlaylistFormat Format;
    QString Caption;  // "PLS Playlist(*.pls)"
    QString Patterns; // "*.pls", several separated by ";"
};
const std::array<TPlaylistType, 5>& PlaylistTypes();

struct TPlaylistEntry
{
    QString Address; // resolved against the playlist's own location
    QString Title;   // empty when the entry has none
};

struct TPlaylist
{
    TPlaylistFormat Format = TPlaylistFormat::None;
    QString Title;
    QList<TPlaylistEntry> Entries;
    // An M3U carrying #EXT-X- tags: the playlist of one HLS stream (its
    // variants or segments), which engines play themselves, not a list of
    // stations.
    bool Hls = false;
};

// What the readers take at most. A station's playlist is a few lines; these
// leave room for long lists and still stop a file that is not one.
inline constexpr qsizetype MaxPlaylistBytes = 4 * 1024 * 1024;
inline constexpr int MaxPlaylistEntries = 10000;

// The format a file name or address (its path, without query) names by its
// extension, in any case; None for any other.
TPlaylistFormat PlaylistFormatOfName(QStringView name);
// The format the content announces for itself: a "[playlist]" section,
// "#EXTM3U", an <asx> or <playlist> root element. None when it does not.
TPlaylistFormat SniffPlaylist(QByteArrayView data);
// The format of a MIME type a web server sent; None for any other.
TPlaylistFormat PlaylistFormatOfContentType(QStringView contentType);
// The format to read data as: what the content announces, else what the
// server's content type says, else the name's extension, else what the lines
// look like ("File1=" lines, lines of addresses). None when nothing tells.
TPlaylistFormat PlaylistFormatOf(QByteArrayView data, QStringView name, QStringView contentType = {});

// True when a file should be read as a playlist rather than as a station:
// its extension names a playlist format, or it is not a station file by
// name and its content announces a playlist.
bool IsPlaylistFile(const QString& fileName);

// Reads data as format. Relative addresses are resolved against base (the
// playlist's own location; left as they are when base is empty). Throws
// EProgramError with the program's message when the data cannot be read.
TPlaylist ReadPlaylist(QByteArrayView data, TPlaylistFormat format, const QUrl& base = QUrl());
// Reads a playlist file of any of the formats. Throws EProgramError.
TPlaylist ReadPlaylistFile(const QString& fileName);

// The entries' addresses a player can open (stream addresses by
// StreamKindOfURL), in order.
QStringList PlaylistStreams(const TPlaylist& playlist);

// Fills radio, a new station, from the playlist: its name from the title or
// else fallbackName (a file's base name), one link per stream entry in order
// named by the entry's title, web addresses as Windows Media. Throws
// EProgramError, leaving radio untouched, for an HLS playlist or one without
// a stream entry.
void PlaylistToRadio(const TPlaylist& playlist, const QString& fallbackName, TRadio& radio);
// ReadPlaylistFile and PlaylistToRadio, named after the file's base name.
void ImportPlaylistFile(const QString& fileName, TRadio& radio);
