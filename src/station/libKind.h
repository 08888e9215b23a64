#pragma once
// Stream kinds: which engine family plays a link, how a kind is shown and
// stored, and which kind an address needs.

#include <QString>
#include <QStringView>
#include <cstdint>

enum TStreamKind : std::uint8_t { skWindowsMedia = 0, skRealMedia = 1 };

enum TKindPart { ktName, ktCode, ktDownloadPage };

// The kind table's cell: display name ("Windows Media"), file code ("wm") or
// the page where the engine that plays the kind can be installed.
QString StreamKindText(TStreamKind kind, TKindPart part);

// 0 or 1: the kind the address requires; -1: either engine can play it;
// -2: not a stream address. Only the first three letters of the trimmed,
// lower-cased address are looked at.
int StreamKindOfURL(QStringView address);

// The kind a new link gets from StreamKindOfURL's answer: the kind the
// address requires; addresses either engine plays take the Windows Media role.
TStreamKind LinkKindOf(int urlKind);
