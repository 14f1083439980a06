#pragma once
// Profile (INI) files with the semantics of the Windows profile functions on GBK bytes:
// sections and keys match without regard to ASCII letter case, other content is preserved,
// the file is created on first write and written atomically. A damaged or unreadable file
// reads as empty (defaults) and is never destroyed by a later write that fails.
#include <QByteArray>
#include <QString>

namespace karvell::Profile {

// GetPrivateProfileInt: the leading decimal integer of the value (optional sign); 0 when the
// value has no digits; the default when the section or key is missing.
int ReadInt(const QString& file, const QByteArray& section, const QByteArray& key, int def);
// GetPrivateProfileString: the value with surrounding blanks removed, or the default.
QByteArray ReadString(const QString& file, const QByteArray& section, const QByteArray& key,
                      const QByteArray& def);
// WritePrivateProfileString: replaces the key's value, or appends the key (and the section).
// Returns false when the file could not be written (the reason in `error`, when given); the
// old file then stays as it was.
bool WriteString(const QString& file, const QByteArray& section, const QByteArray& key,
                 const QByteArray& value, QString* error = nullptr);

} // namespace karvell::Profile
