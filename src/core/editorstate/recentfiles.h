#pragma once
// The template editor's recent-file list in "Lunvane.ini". Section "Oldies", keys "1" … "10",
// holds the paths upper-cased (ASCII letters), "1" the most recent, an empty value ending the
// list, and the marker "filepath" where a duplicate stood. Because letter case matters on this
// platform, section "OldiesPath" keeps each path as it was opened, at the same key, moved
// together with "Oldies"; an entry without a kept path (a profile written elsewhere or by hand)
// is found by a case-insensitive match of its stored path, component by component.
#include <QByteArray>
#include <QList>
#include <QString>

namespace karvell {

inline constexpr int RECENT_ENTRIES = 10; // kept in the file
inline constexpr int RECENT_SHOWN = 9;    // shown in the menu

class RecentFiles {
public:
    explicit RecentFiles(QString settingsFile) : m_file(std::move(settingsFile)) {}

    // UpdateOldies without the view: markers of earlier puts are dropped (the entries after
    // them move up), then the path becomes entry 1, the others move down one place (the tenth
    // falls off), a former copy of it moves down as the marker "filepath".
    void Put(const QString& path);

    struct Entry {
        int number = 0;    // 1 … 9
        QByteArray stored; // the value of "Oldies"
        QString path;      // the file it names
    };
    // The File menu's rebuild: entries 1 … 9 up to the first empty one; an entry whose file
    // does not exist (or is a folder) is removed from the file and the rest move up.
    QList<Entry> Rebuild();

    // The file entry n names, read again from the settings file; empty for an empty entry.
    QString PathOf(int n) const;

    QByteArray Stored(int n) const;
    QString Kept(int n) const;

    // The existing file or folder whose path equals `path` without regard to ASCII letter case
    // (an exact match preferred at each component), or empty when there is none.
    static QString FindIgnoringCase(const QString& path);

private:
    void DropMarkers();
    void Write(int n, const QByteArray& stored, const QString& kept);
    QString m_file;
};

} // namespace karvell
