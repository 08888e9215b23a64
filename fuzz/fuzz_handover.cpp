// libFuzzer target for the single-instance hand-over record: a later start
// (or any process of the user) writes these bytes to the running program.

#include "libInstance.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<QStringList> parsed = HandOver::Parse(QByteArrayView(data, static_cast<qsizetype>(size)));
    if (!parsed)
        return 0;

    // Whatever a record carried, the sender's side must be able to send it
    // again: packed, it parses back to the same list.
    const QByteArray again = HandOver::Pack(*parsed);
    const std::optional<QStringList> back = HandOver::Parse(again);
    if (back != parsed) {
        std::fprintf(stderr, "%d arguments parsed, re-packed into %lld bytes, which parse back as %d arguments\n",
                     int(parsed->size()), static_cast<long long>(again.size()), back ? int(back->size()) : -1);
        for (const QString& argument : *parsed)
            std::fprintf(stderr, "  [%lld] %s\n", static_cast<long long>(argument.size()),
                         argument.toUtf8().toHex(' ').left(120).constData());
        std::abort();
    }
    return 0;
}
