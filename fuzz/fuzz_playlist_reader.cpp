// libFuzzer target for the playlist readers.

#include "libError.h"
#include "libPlaylist.h"
#include "libRadio.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    (void)PlaylistFormatOf(bytes, u"listen", u"text/plain");
    static const QUrl base(QStringLiteral("http://radio.example.cn/lists/listen.pls"));
    for (TPlaylistFormat format : {TPlaylistFormat::PLS, TPlaylistFormat::M3U, TPlaylistFormat::ASX,
                                   TPlaylistFormat::RAM, TPlaylistFormat::XSPF}) {
        TPlaylist playlist;
        try {
            playlist = ReadPlaylist(bytes, format, base);
        } catch (const EProgramError& error) {
            // Every failure must say something.
            if (error.Message().isEmpty())
                std::abort();
            continue;
        }
        if (playlist.Entries.size() > MaxPlaylistEntries)
            std::abort();
        TRadio radio;
        try {
            PlaylistToRadio(playlist, QStringLiteral("fuzz"), radio);
        } catch (const EProgramError& error) {
            if (error.Message().isEmpty() || radio.Links().Count() != 0)
                std::abort();
            continue;
        }
        // A station made from a playlist is one the program can keep: it
        // writes and reads back with every link.
        TRadio back;
        try {
            back.LoadFromData(radio.SaveToData(sfStation));
        } catch (const EProgramError& error) {
            std::fprintf(stderr, "imported station does not read back: %s\n", error.what());
            std::abort();
        }
        if (back.Links().Count() != radio.Links().Count() || radio.Links().Count() == 0)
            std::abort();
    }
    return 0;
}
