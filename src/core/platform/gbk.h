#pragma once
// The GBK (code page 936) codec used at every edge: cell texts, formats, face names and profile
// values are GBK bytes inside the program and become Unicode only to draw, measure or show them.
#include <QByteArray>
#include <QString>

namespace karvell::Gbk {

// Invalid byte sequences become U+FFFD; never crashes.
QString Decode(const QByteArray& bytes);
// Decodes `size` bytes into `out`, which must have room for `size` characters (each byte yields
// at most one); answers the number of characters written. The allocation-free form of Decode.
qsizetype DecodeTo(const char* bytes, qsizetype size, char16_t* out);
// Characters GBK cannot hold are replaced by '?'.
QByteArray Encode(const QString& text);
// Byte-wise upper-casing: bytes 'a'..'z' become 'A'..'Z', every other byte is left alone
// (also the bytes of double-byte characters, as the runtime's name rules require).
QByteArray Upper(const QByteArray& bytes);
// The longest prefix of at most maxBytes bytes that does not end inside a double-byte character.
QByteArray TruncateBytes(const QByteArray& bytes, int maxBytes);
// The bytes strictly between the first `open` and the first `close` (positions in bytes of the
// GBK text); empty when either is missing or the first `close` comes before the first `open`.
QByteArray ExtractBracketText(const QByteArray& text, const QByteArray& open,
                              const QByteArray& close);
// True when byte i starts a double-byte character (lead byte 0x81..0xFE followed by a byte).
bool IsLeadByte(unsigned char c);

} // namespace karvell::Gbk
