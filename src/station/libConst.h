#pragma once
// The program's message and caption table. Every user-visible text lives here,
// so that wording stays consistent across windows and can be reviewed in one
// place. Placeholders use QString::arg numbering (%1, %2).

#include <QString>

namespace Const {

// Station documents
inline const QString SUnnamedRadio = QStringLiteral("未命名的电台");
inline const QString SUnnamedLink = QStringLiteral("未命名的收听连接");
inline const QString SRadioFileNotFound = QStringLiteral("找不到指定的电台文件:\r\n%1");
inline const QString SBadRadioFile = QStringLiteral("不是正确的电台文件格式");
inline const QString SNodeNotElement = QStringLiteral("Attributes are not supported on this node type");

} // namespace Const
