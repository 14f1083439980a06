#pragma once
// The text rules of the in-place edit box: the box holds Unicode with "\n" line breaks, the cell
// holds GBK with CR LF line breaks, and the box takes no more than the cell can store (3000 GBK
// bytes, a Chinese character two, a line break two) and no character GBK cannot hold, so what
// the user sees in the box is what the cell keeps.
#include <QByteArray>
#include <QString>

namespace karvell::EditorText {

// The cell's text as the box shows it.
QString FromCell(const QByteArray& cellText);
// The box's text as the cell stores it, cut at a character boundary to MAX_TEXT_BYTES.
QByteArray ToCell(const QString& boxText);
// The bytes the box's text takes in the cell.
int Bytes(const QString& boxText);
// What of `inserted` the box accepts when `available` bytes are left: characters GBK cannot
// hold are dropped, and the rest is cut before the first character that would pass the limit.
// Paragraph and line separators become "\n".
QString Fit(const QString& inserted, int available);
// What Fit refuses of `inserted`, said for the status bar (the characters the cell cannot hold,
// the byte limit reached); empty when it takes everything. Nothing is dropped without a word.
QString Refusal(const QString& inserted, int available);

} // namespace karvell::EditorText
