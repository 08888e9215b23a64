#include "libKind.h"

#include "libText.h"

namespace {
struct TKindRow
{
    const char16_t* Name;
    const char16_t* Code;
    const char16_t* DownloadPage;
};

// The engines standing in for the two families on Linux are libmpv and
// GStreamer, so their installation pages are what a user needs.
constexpr TKindRow KindTable[] = {
    {u"Windows Media", u"wm", u"https://mpv.io/installation/"},
    {u"Real Media", u"rm", u"https://gstreamer.freedesktop.org/documentation/installing/on-linux.html"},
};
} // namespace

QString StreamKindText(TStreamKind kind, TKindPart part)
{
    const TKindRow& row = KindTable[kind == skRealMedia ? 1 : 0];
    switch (part) {
    case ktName: return QString::fromUtf16(row.Name);
    case ktCode: return QString::fromUtf16(row.Code);
    case ktDownloadPage: return QString::fromUtf16(row.DownloadPage);
    }
    return {};
}

int StreamKindOfURL(QStringView address)
{
    const QString scheme = TrimText(address).left(3).toLower();
    if (scheme == u"mms")
        return skWindowsMedia;
    if (scheme == u"htt")
        return -1;
    if (scheme == u"rts" || scheme == u"rtp" || scheme == u"rst")
        return skRealMedia;
    return -2;
}

TStreamKind LinkKindOf(int urlKind) { return urlKind == skRealMedia ? skRealMedia : skWindowsMedia; }
