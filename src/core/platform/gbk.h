#pragma once
// The GBK (code page 936) codec used at every edge, completed to GB18030, the national standard
// that is a strict superset of GBK: cell texts, formats, face names and profile values are
// these bytes inside the program and become Unicode only to draw, measure or show them. Every
// byte sequence GBK reads reads the same, and every character GBK lacks (rare names, Extension
// B, emoji) is kept as its GB18030 four-byte code instead of being lost.
#include <QByteArray>
#include <QString>

namespace karvell::Gbk {

// Invalid byte sequences become U+FFFD; never crashes.
QString Decode(const QByteArray& bytes);
// Decodes `size` bytes into `out`, which must have room for `size` UTF-16 units (no code yields
// more units than it has bytes); answers the number of units written. The allocation-free form
// of Decode.
qsizetype DecodeTo(const char* bytes, qsizetype size, char16_t* out);
// What cannot be encoded (a lone surrogate, a private-use character without a code) becomes '?'.
QByteArray Encode(const QString& text);
// What cannot be encoded is replaced by `replacement`, or dropped when it is 0.
QByteArray Encode(const QString& text, char replacement);
// What a cell can store of a typed or pasted text: what cannot be encoded is dropped, so what
// the user sees is what is stored.
QByteArray EncodeStorable(const QString& text);
// Byte-wise upper-casing: bytes 'a'..'z' become 'A'..'Z', every other byte is left alone
// (also the bytes of double-byte characters, as the runtime's name rules require).
QByteArray Upper(const QByteArray& bytes);
// The longest prefix of at most maxBytes bytes that does not end inside a character (of two or
// four bytes).
QByteArray TruncateBytes(const QByteArray& bytes, int maxBytes);
// The bytes strictly between the first `open` and the first `close` (positions in bytes of the
// GBK text); empty when either is missing or the first `close` comes before the first `open`.
QByteArray ExtractBracketText(const QByteArray& text, const QByteArray& open,
                              const QByteArray& close);
// True when byte i starts a double-byte character (lead byte 0x81..0xFE followed by a byte).
bool IsLeadByte(unsigned char c);

} // namespace karvell::Gbk
