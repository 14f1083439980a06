#pragma once
// What the CSV and JSON readers share: their error message and the UTF-8 check.
#include <QByteArray>
#include <QString>

namespace karvell::filetext {

// Throws KarvellError "数据文件 SOURCE 第 LINE 行：WHAT".
[[noreturn]] void Fail(const QString& source, int line, const QString& what);
// The offset of the first byte that is not part of well-formed UTF-8, or -1.
qsizetype BadUtf8At(const QByteArray& bytes);
// The whole file's text checked for UTF-8 (a fault names its line and byte), without a byte
// order mark.
QByteArray Utf8Body(const QByteArray& bytes, const QString& source);

} // namespace karvell::filetext
