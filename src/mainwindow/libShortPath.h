#pragma once

#include <QString>

#include <functional>

// Fits a path into a pixel width for a menu caption: folders nearest the root
// give way to ".../" first, the file name always stays whole.
using TTextWidth = std::function<int(const QString&)>;

QString ShortenPath(const QString& path, int maxWidth, const TTextWidth& textWidth);
