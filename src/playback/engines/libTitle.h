#pragma once
// One rule for the titles both engines report. Stations send their titles in
// whatever encoding the encoder software used; Chinese stations very often send
// GBK, which must not end up as Latin-1 mojibake.

#include <QByteArrayView>
#include <QString>

// Raw title bytes as they came from the stream: everything after a NUL is
// dropped, valid UTF-8 is taken as it is, anything else is decoded as GBK;
// control characters are removed and the result is trimmed.
QString NormaliseTitle(QByteArrayView raw);
// A title that is already text (GStreamer decodes tags itself): the same
// clean-up without the decoding step.
QString NormaliseTitle(const QString& text);
