// libFuzzer target for the station reader.

#include "libError.h"
#include "libRadio.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TRadio radio;
    try {
        radio.LoadFromData(QByteArrayView(data, static_cast<qsizetype>(size)));
    } catch (const EProgramError& error) {
        // Every failure must say something.
        if (error.Message().isEmpty())
            std::abort();
        return 0;
    }

    // Whatever was read must survive the writer: written, read back and
    // written again, the bytes are the same.
    const QByteArray written = radio.SaveToData(sfStation);
    TRadio back;
    try {
        back.LoadFromData(written);
    } catch (const EProgramError& error) {
        std::fprintf(stderr, "written station does not read back: %s\n%s\n", error.what(), written.constData());
        std::abort();
    }
    if (back.SaveToData(sfStation) != written) {
        std::fprintf(stderr, "written station changes on a second round:\n%s\n", written.constData());
        std::abort();
    }
    if (back.Links().Count() != radio.Links().Count() || back.Link() != radio.Link())
        std::abort();
    for (TSaveFormat format : {sfRAM, sfASX, sfM3U, sfPLS})
        (void)radio.SaveToData(format);
    return 0;
}
