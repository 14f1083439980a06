#pragma once
// What the font dialog offers for a face name. A Windows face name ("宋体") is no installed
// family here: it is drawn with its substitute, whose real styles are offered under the stored
// name, with bold and italic synthesised (Qt emboldens and slants) where the family lacks them.
#include <QList>
#include <QString>
#include <QStringList>

namespace karvell {

struct FaceStyle {
    QString name; // 常规, 粗体, … for the usual styles, else as the family names it
    int weight = 400;
    bool italic = false;
    bool synthesised = false;
};

// The family a face name is drawn with (itself when installed).
QString ResolvedFamily(const QString& face);
// The real styles of the resolved family, then the synthesised ones it lacks.
QList<FaceStyle> FaceStyles(const QString& face);
// The index of the style that a weight (bold from 600) and slant ask for; the nearest weight
// of the right slant when none matches exactly.
int StyleIndexFor(const QList<FaceStyle>& styles, int weight, bool italic);
// The faces a font dialog lists: the Windows face names, then the installed families.
QStringList DialogFaceNames();

} // namespace karvell
