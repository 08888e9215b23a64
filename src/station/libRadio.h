#pragma once
// Station documents: one station (TRadio) with its owned, ordered listening
// links (TRadioLinks of TRadioLink), the station file it is kept in and the
// playlists it can be exported as.
//
// Every setter normalises (trims, drops placeholder names), so whatever writes
// a station - the editors, the file reader, a copy - ends up with the same
// values. Names are set before addresses everywhere: a link name equal to the
// link's current address means "no name, follow the address".

#include "libKind.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TRadioLinks;

// The formats TRadio::SaveToFile writes. Values are stored by callers (the
// export command remembers the last one), so they never change.
enum TSaveFormat : int { sfStation = 0, sfRAM = 1, sfASX = 2, sfM3U = 3, sfPLS = 4 };

// A playlist format a station can be exported as. The window's export menu
// and the command-line tool's export command both come from the one table.
struct TExportFormat
{
    QString Name;     // the tool's word for it: "wax"
    QString Ext;      // what the written file's extension becomes: ".wax"
    QString Caption;  // the menu item: "Windows Media Metafile(*.asx,*.wax,*.wvx)"
    QString Patterns; // the save dialog's patterns: "*.wax;*.asx;*.wvx"
    TSaveFormat Format;
};
using TExportFormats = std::array<TExportFormat, 4>;
// In the order of the export menu.
const TExportFormats& ExportFormats();
// The format called name, spelt exactly; nullptr for any other word.
const TExportFormat* FindExportFormat(QStringView name);

// One listening link. Links normally live in a station's TRadioLinks, which
// owns them; a free-standing link (for an editor's scratch copy) is allowed.
class TRadioLink
{
public:
    TRadioLink() = default;
    TRadioLink(const TRadioLink&) = delete;
    TRadioLink& operator=(const TRadioLink&) = delete;

    // The name as the user gave it; empty when the link has no name.
    const QString& Text() const { return FText; }
    // Trims; the placeholder name and a name equal to the current Href are
    // stored as "no name".
    void SetText(QStringView value);
    // The stream address.
    const QString& Href() const { return FHref; }
    void SetHref(QStringView value);
    TStreamKind Kind() const { return FKind; }
    void SetKind(TStreamKind value) { FKind = value; }
    // Highest and lowest bit rate seen on the link in kbit/s; 0 = none yet.
    std::uint16_t BestKbps() const { return FBestKbps; }
    void SetBestKbps(std::uint16_t value) { FBestKbps = value; }
    std::uint16_t ShitKbps() const { return FShitKbps; }
    void SetShitKbps(std::uint16_t value) { FShitKbps = value; }

    // Text, else Href, else the placeholder name.
    QString DisplayText() const;
    // Decimal digits, or empty for 0.
    QString BestKbpsText() const;
    QString ShitKbpsText() const;

    // The collection that owns the link (nullptr when free-standing) and the
    // link's position in it (-1 when free-standing).
    TRadioLinks* Collection() const { return FCollection; }
    int Index() const;

    // Name (as DisplayText) first, then address, then kind and bit rates.
    void Assign(const TRadioLink& source);

private:
    friend class TRadioLinks;
    TRadioLinks* FCollection = nullptr;
    QString FText;
    QString FHref;
    TStreamKind FKind = skWindowsMedia;
    std::uint16_t FBestKbps = 0;
    std::uint16_t FShitKbps = 0;
};

// Learns a bit rate measured on the link: raises its highest rate, lowers its
// lowest (or sets it while it is 0). A rate above what a link stores counts
// as the largest it can hold; 0 or less teaches nothing. True when either
// rate changed, so the caller knows whether the station needs writing.
bool LearnKbps(TRadioLink& link, int kbps);

// The station's links in order; owns them. Positions are 0-based.
class TRadioLinks
{
public:
    TRadioLinks() = default;
    TRadioLinks(const TRadioLinks&) = delete;
    TRadioLinks& operator=(const TRadioLinks&) = delete;

    // Appends a link with the initial values and returns it (owned here).
    TRadioLink* Add();
    TRadioLink* Items(int index) const;
    TRadioLink* operator[](int index) const { return Items(index); }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Destroys the link at index; an index out of range is ignored.
    void Delete(int index);
    void Clear();
    // Brackets a series of changes; nothing listens to them.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate()
    {
        if (FUpdateCount > 0)
            --FUpdateCount;
    }
    int UpdateCount() const { return FUpdateCount; }

    // Clears, then adds a copy of every source link in order.
    void Assign(const TRadioLinks& source);

    int IndexOf(const TRadioLink* link) const;

private:
    friend class TRadio;
    // Moves every link of source here (replacing these), leaving source empty.
    void TakeFrom(TRadioLinks& source);

    std::vector<std::unique_ptr<TRadioLink>> FItems;
    int FUpdateCount = 0;
};

// One station.
class TRadio
{
public:
    TRadio() = default;
    TRadio(const TRadio&) = delete;
    TRadio& operator=(const TRadio&) = delete;

    // Station name; empty when unnamed. The setter trims and never stores the
    // placeholder name.
    const QString& Text() const { return FText; }
    void SetText(QStringView value);
    // Text, or the placeholder "未命名的电台". Shown and written everywhere.
    QString DisplayText() const;
    // Home page, type, language, region and programme guide; all trimmed.
    const QString& Href() const { return FHref; }
    void SetHref(QStringView value);
    const QString& Kind() const { return FKind; }
    void SetKind(QStringView value);
    const QString& Lang() const { return FLang; }
    void SetLang(QStringView value);
    const QString& Land() const { return FLand; }
    void SetLand(QStringView value);
    const QString& Menu() const { return FMenu; }
    void SetMenu(QStringView value);

    TRadioLinks& Links() { return FLinks; }
    const TRadioLinks& Links() const { return FLinks; }

    // The current link: -1 without links, the stored index when it is in
    // range, otherwise 0. The setter stores any value unchanged.
    int Link() const;
    void SetLink(int value) { FLink = value; }
    // The value as stored, for the rare caller that must tell the difference.
    int StoredLink() const { return FLink; }

    // Copies name (as DisplayText), addresses and texts, the links, and the
    // current link as read.
    void Assign(const TRadio& source);

    // Reads a station file. Throws EProgramError with the message to show;
    // on failure the station is left as it was.
    void LoadFromFile(const QString& fileName);
    // The same from bytes already in memory (the fuzzer and tests use it).
    void LoadFromData(QByteArrayView data);

    // Writes the station in the given format, replacing the file only when
    // the whole content was written. Throws EProgramError on failure; the
    // station is never changed.
    void SaveToFile(const QString& fileName, TSaveFormat format = sfStation) const;
    // The bytes SaveToFile writes.
    QByteArray SaveToData(TSaveFormat format = sfStation) const;

private:
    QString FText;
    QString FHref;
    QString FKind;
    QString FLang;
    QString FLand;
    QString FMenu;
    TRadioLinks FLinks;
    int FLink = 0;
};
