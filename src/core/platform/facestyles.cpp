#include "platform/facestyles.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <cstdlib>

#include "platform/logfont.h"

namespace karvell {
namespace {

// The usual style names as the platform's Chinese font dialog shows them; others as the
// family names them.
QString ShownStyleName(const QString& style) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("Regular"), QStringLiteral("常规")},
        {QStringLiteral("Normal"), QStringLiteral("常规")},
        {QStringLiteral("Book"), QStringLiteral("常规")},
        {QStringLiteral("Light"), QStringLiteral("细体")},
        {QStringLiteral("Italic"), QStringLiteral("倾斜")},
        {QStringLiteral("Oblique"), QStringLiteral("倾斜")},
        {QStringLiteral("Bold"), QStringLiteral("粗体")},
        {QStringLiteral("Bold Italic"), QStringLiteral("粗偏斜体")},
        {QStringLiteral("Bold Oblique"), QStringLiteral("粗偏斜体")},
    };
    return names.value(style, style);
}

} // namespace

QString ResolvedFamily(const QString& face) {
    QFont font(face);
    return QFontInfo(font).family();
}

QList<FaceStyle> FaceStyles(const QString& face) {
    const QString family = ResolvedFamily(face);
    QList<FaceStyle> styles;
    bool bold = false, italic = false, boldItalic = false;
    for (const QString& style : QFontDatabase::styles(family)) {
        FaceStyle s;
        s.name = ShownStyleName(style);
        s.weight = QFontDatabase::weight(family, style);
        s.italic = QFontDatabase::italic(family, style);
        if (s.weight <= 0) s.weight = 400;
        const bool heavy = s.weight >= 600;
        bold |= heavy && !s.italic;
        italic |= !heavy && s.italic;
        boldItalic |= heavy && s.italic;
        styles.append(s);
    }
    if (styles.isEmpty()) styles.append({QStringLiteral("常规"), 400, false, true});
    if (!bold) styles.append({QStringLiteral("粗体"), 700, false, true});
    if (!italic) styles.append({QStringLiteral("倾斜"), 400, true, true});
    if (!boldItalic) styles.append({QStringLiteral("粗偏斜体"), 700, true, true});
    return styles;
}

int StyleIndexFor(const QList<FaceStyle>& styles, int weight, bool italic) {
    if (weight <= 0) weight = 400;
    const bool heavy = weight >= 600;
    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < styles.size(); ++i) {
        const FaceStyle& s = styles[i];
        if (s.italic != italic || (s.weight >= 600) != heavy) continue;
        const int distance = std::abs(s.weight - weight);
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best < 0 ? 0 : best;
}

QStringList DialogFaceNames() {
    QStringList names = WindowsFaceNames();
    for (const QString& family : QFontDatabase::families())
        if (!names.contains(family) && !QFontDatabase::isPrivateFamily(family)) names << family;
    return names;
}

} // namespace karvell
