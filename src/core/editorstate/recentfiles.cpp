#include "editorstate/recentfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QPair>

#include "platform/gbk.h"
#include "platform/profile.h"

namespace karvell {
namespace {

const QByteArray kOldies = "Oldies";
const QByteArray kKept = "OldiesPath";
const QByteArray kMarker = "filepath";

QByteArray Key(int n) {
    return QByteArray::number(n);
}

bool IsFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

QByteArray RecentFiles::Stored(int n) const {
    return Profile::ReadString(m_file, kOldies, Key(n), QByteArray());
}

QString RecentFiles::Kept(int n) const {
    return Gbk::Decode(Profile::ReadString(m_file, kKept, Key(n), QByteArray()));
}

void RecentFiles::Write(int n, const QByteArray& stored, const QString& kept) {
    // The settings file is never reported on: a failed write leaves the old list.
    Profile::WriteString(m_file, kOldies, Key(n), stored);
    Profile::WriteString(m_file, kKept, Key(n), Gbk::Encode(kept));
}

void RecentFiles::DropMarkers() {
    QList<QPair<QByteArray, QString>> kept;
    bool dropped = false;
    for (int i = 1; i <= RECENT_ENTRIES; ++i) {
        const QByteArray v = Stored(i);
        if (v == kMarker)
            dropped = true;
        else
            kept.append({v, Kept(i)});
    }
    if (!dropped) return;
    for (int i = 1; i <= RECENT_ENTRIES; ++i) {
        const auto entry = kept.value(i - 1);
        Write(i, entry.first, entry.second);
    }
}

void RecentFiles::Put(const QString& path) {
    // Markers left by earlier puts go first, so that repeated saves never push a real entry
    // off the end of the list.
    DropMarkers();
    const QByteArray upper = Gbk::Upper(Gbk::Encode(path));
    QByteArray carry = upper;
    QString keptCarry = path;
    for (int i = 1; i <= RECENT_ENTRIES; ++i) {
        QByteArray v = Stored(i);
        QString kept = Kept(i);
        if (v == upper) {
            v = kMarker;
            kept = QString::fromLatin1(kMarker);
        }
        Write(i, carry, keptCarry);
        carry = v;
        keptCarry = kept;
    }
}

QString RecentFiles::PathOf(int n) const {
    const QByteArray stored = Stored(n);
    if (stored.isEmpty()) return QString();
    QString kept = Kept(n);
    if (!kept.isEmpty() && Gbk::Upper(Gbk::Encode(kept)) == Gbk::Upper(stored)) return kept;
    QString plain = Gbk::Decode(stored);
    if (QFileInfo::exists(plain)) return plain;
    const QString found = FindIgnoringCase(plain);
    return found.isEmpty() ? plain : found;
}

QList<RecentFiles::Entry> RecentFiles::Rebuild() {
    QList<Entry> entries;
    for (int i = 1; i <= RECENT_SHOWN; ++i) {
        for (;;) {
            const QByteArray v = Stored(i);
            if (v.isEmpty()) return entries;
            const QString path = PathOf(i);
            if (IsFile(path)) {
                entries.append({i, v, path});
                break;
            }
            for (int j = i; j < RECENT_ENTRIES; ++j)
                Write(j, Stored(j + 1), Kept(j + 1));
            Write(RECENT_ENTRIES, QByteArray(), QString());
        }
    }
    return entries;
}

QString RecentFiles::FindIgnoringCase(const QString& path) {
    if (path.isEmpty()) return QString();
    const bool absolute = path.startsWith(u'/');
    QString current = absolute ? QStringLiteral("/") : QString();
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString base = current.isEmpty() ? QStringLiteral(".") : current;
        QString match;
        if (part == QLatin1String(".") || part == QLatin1String("..") ||
            QFileInfo::exists(base + u'/' + part)) {
            match = part;
        } else {
            const QByteArray want = Gbk::Upper(Gbk::Encode(part));
            const QStringList names = QDir(base).entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
            for (const QString& name : names) {
                if (Gbk::Upper(Gbk::Encode(name)) == want) {
                    match = name;
                    break;
                }
            }
            if (match.isEmpty()) return QString();
        }
        if (current.isEmpty())
            current = match;
        else if (current.endsWith(u'/'))
            current += match;
        else
            current += u'/' + match;
    }
    return current.isEmpty() ? QString() : current;
}

} // namespace karvell
