// libFuzzer target for the station directory's JSON pages.

#include "libDirectory.h"
#include "libError.h"
#include "libKind.h"
#include "libRadio.h"
#include "libWeb.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const TDirectoryPage page = ReadDirectoryPage(QByteArrayView(data, static_cast<qsizetype>(size)));
    if (!page.Valid && (page.Received != 0 || !page.Stations.isEmpty()))
        std::abort();
    if (page.Stations.size() > page.Received)
        std::abort();
    for (const TDirectoryStation& station : page.Stations) {
        // What the reader lets through is what the window and the tool
        // rely on: a playable address, counts that are never negative.
        if (StreamKindOfURL(station.Url) == -2 || station.Bitrate < 0 || station.Votes < 0)
            std::abort();
        if (!station.Homepage.isEmpty() && !IsWebAddress(station.Homepage))
            std::abort();
        if (StationFileBaseName(station.Name).isEmpty())
            std::abort();
        // A result makes a station the program can keep.
        TRadio radio;
        MakeDirectoryRadio(station, radio);
        TRadio back;
        try {
            back.LoadFromData(radio.SaveToData(sfStation));
        } catch (const EProgramError& error) {
            std::fprintf(stderr, "directory station does not read back: %s\n", error.what());
            std::abort();
        }
        if (back.Links().Count() != 1)
            std::abort();
    }
    return 0;
}
