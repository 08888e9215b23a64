#pragma once
// What the XML readers of the station library (the station file, the ASX and
// XSPF playlists) share: the encoding a document declares, the converter for
// it, and a look over the markup for what the XML reader handles badly.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The value of the encoding pseudo-attribute of the XML declaration: none
// when there is no declaration or it names no encoding; an empty value when
// the name cannot be made out.
std::optional<QByteArray> DeclaredEncoding(QByteArrayView data);

bool IsUtf8Name(const QByteArray& name);

// The converter for a declared name. Chinese Windows tools declare gb2312 and
// write code page 936 (GBK), whose extra characters (镕 and many more found in
// names) a strict GB2312 reader cannot decode; GBK reads every GB2312 file the
// same. Every alias of GB2312 is covered, as ICU names them.
QByteArray ConverterName(const QByteArray& declared);

enum class TMarkupGuard { Ok, InternalSubset, TooManyAttributes };

// A look over the markup before the XML reader sees it, for two things the
// reader handles badly. Its check for repeated attribute names is quadratic,
// so an element with a million attributes would take hours: more than
// maxAttributes in one element is reported. And a document type with an
// internal subset can declare entities (a small file expanding to gigabytes,
// or one reading another file) and attribute defaults; none of our formats
// needs one, so it is reported too.
// Works on UTF-8 bytes (markup is ASCII, and no byte of a multi-byte UTF-8
// sequence is) or on decoded UTF-16 text.
TMarkupGuard GuardMarkup(const char* p, const char* end, int maxAttributes);
TMarkupGuard GuardMarkup(const char16_t* p, const char16_t* end, int maxAttributes);
