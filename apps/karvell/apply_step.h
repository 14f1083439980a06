#pragma once
// One step of `karvell apply`: its arguments, each read once by name and checked.
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QPoint>
#include <QSet>
#include <cmath>
#include <memory>

#include "model/documentjson.h"
#include "model/reportdocument.h"
#include "platform/gbk.h"

namespace karvell {
class THeadlessGrid;
class TGridMouse;
} // namespace karvell

namespace karvell::cli {

// Pixel values beyond this are refused: far larger than any page.
constexpr qint64 kMaxPx = 1 << 20;

struct StepError {
    QString message;
};

// The arguments of one step. Each argument is read once by name; Finish() refuses any
// argument the step does not take.
class Step {
public:
    Step(const QJsonObject& json, TReportDocument& doc, const QDir& base)
        : m_json(json), m_doc(doc), m_base(base) {}

    qint64 Int(const char* name, qint64 lo, qint64 hi) {
        const QJsonValue v = Take(name);
        const double d = v.toDouble();
        if (!v.isDouble() || d < double(lo) || d > double(hi) || d != std::trunc(d))
            Fail(QStringLiteral("\"%1\" must be an integer from %2 to %3")
                     .arg(QLatin1String(name))
                     .arg(lo)
                     .arg(hi));
        return qint64(d);
    }
    bool Bool(const char* name) {
        const QJsonValue v = Take(name);
        if (!v.isBool())
            Fail(QStringLiteral("\"%1\" must be true or false").arg(QLatin1String(name)));
        return v.toBool();
    }
    // A text, as the GBK bytes the document holds.
    QByteArray Text(const char* name) {
        const QJsonValue v = Take(name);
        if (!v.isString()) Fail(QStringLiteral("\"%1\" must be a string").arg(QLatin1String(name)));
        const QByteArray bytes = Gbk::Encode(v.toString());
        if (Gbk::Decode(bytes) != v.toString())
            Fail(QStringLiteral("\"%1\" holds characters that GBK cannot store")
                     .arg(QLatin1String(name)));
        if (bytes.size() > MAX_TEXT_BYTES)
            Fail(QStringLiteral("\"%1\" is longer than %2 bytes in GBK")
                     .arg(QLatin1String(name))
                     .arg(MAX_TEXT_BYTES));
        return bytes;
    }
    // An integer COLORREF (0x00BBGGRR) or "#RRGGBB".
    COLORREF Color(const char* name) {
        const QJsonValue v = Take(name);
        if (v.isString()) {
            const QString s = v.toString();
            bool ok = s.size() == 7 && s.startsWith(u'#');
            const uint rgb = ok ? s.mid(1).toUInt(&ok, 16) : 0;
            if (ok) return RGB(int(rgb >> 16), int(rgb >> 8), int(rgb));
        } else if (v.isDouble()) {
            const double d = v.toDouble();
            if (d >= 0 && d <= 4294967295.0 && d == std::trunc(d)) return COLORREF(qint64(d));
        }
        Fail(QStringLiteral("\"%1\" must be a colour: an integer 0x00BBGGRR or \"#RRGGBB\"")
                 .arg(QLatin1String(name)));
        return 0;
    }
    // A cell given as [line, cell].
    TReportCell* Cell(const char* name) {
        const auto [line, cell] = Pair(Take(name), name);
        if (line >= m_doc.Lines.size() || cell >= m_doc.Lines[line]->Cells.size())
            Fail(QStringLiteral("there is no cell [%1, %2]").arg(line).arg(cell));
        return m_doc.Lines[line]->Cells[cell];
    }
    TReportLine* Line(const char* name) {
        const int line = int(Int(name, 0, INT32_MAX));
        if (line >= m_doc.Lines.size()) Fail(QStringLiteral("there is no line %1").arg(line));
        return m_doc.Lines[line];
    }
    // An object of lf… fields; the missing ones come from the default cell font.
    LOGFONTA Font(const char* name) {
        const QJsonValue v = Take(name);
        if (!v.isObject())
            Fail(QStringLiteral("\"%1\" must be an object of lf… fields").arg(QLatin1String(name)));
        LOGFONTA font = DefaultCellFont();
        QString error;
        if (!LogFontFromJson(v.toObject(), &font, &error))
            Fail(QStringLiteral("\"%1\": %2").arg(QLatin1String(name), error));
        return font;
    }
    // A list of [line, cell].
    QList<TReportCell*> Cells(const char* name) {
        const QJsonValue v = Take(name);
        if (!v.isArray())
            Fail(QStringLiteral("\"%1\" must be a list of [line, cell]").arg(QLatin1String(name)));
        QList<TReportCell*> cells;
        for (const QJsonValue& item : v.toArray()) {
            const auto [line, cell] = Pair(item, name);
            if (line >= m_doc.Lines.size() || cell >= m_doc.Lines[line]->Cells.size())
                Fail(QStringLiteral("there is no cell [%1, %2]").arg(line).arg(cell));
            cells.append(m_doc.Lines[line]->Cells[cell]);
        }
        return cells;
    }
    // A file name; relative names are found beside the steps file.
    QString File(const char* name) {
        const QJsonValue v = Take(name);
        if (!v.isString() || v.toString().isEmpty())
            Fail(QStringLiteral("\"%1\" must be a file name").arg(QLatin1String(name)));
        return m_base.filePath(v.toString());
    }
    // A point given as [x, y] in window pixels.
    QPoint Point(const char* name) {
        const QJsonValue v = Take(name);
        const QJsonArray a = v.toArray();
        auto coord = [](const QJsonValue& c) {
            const double d = c.toDouble();
            return c.isDouble() && d >= -kMaxPx && d <= kMaxPx && d == std::trunc(d);
        };
        if (!v.isArray() || a.size() != 2 || !coord(a[0]) || !coord(a[1]))
            Fail(QStringLiteral("\"%1\" must be a point [x, y] of integers")
                     .arg(QLatin1String(name)));
        return QPoint(a[0].toInt(), a[1].toInt());
    }
    // Any string, as given (for texts the edit box filters itself).
    QString String(const char* name) {
        const QJsonValue v = Take(name);
        if (!v.isString()) Fail(QStringLiteral("\"%1\" must be a string").arg(QLatin1String(name)));
        return v.toString();
    }
    bool Has(const char* name) const { return m_json.contains(QLatin1String(name)); }

    void Finish() {
        for (auto it = m_json.constBegin(); it != m_json.constEnd(); ++it)
            if (!m_used.contains(it.key()))
                Fail(QStringLiteral("unknown argument \"%1\"").arg(it.key()));
    }
    [[noreturn]] static void Fail(const QString& message) { throw StepError{message}; }

private:
    QJsonValue Take(const char* name) {
        const QString key = QLatin1String(name);
        if (!m_json.contains(key)) Fail(QStringLiteral("missing argument \"%1\"").arg(key));
        m_used.insert(key);
        return m_json.value(key);
    }
    static std::pair<int, int> Pair(const QJsonValue& v, const char* name) {
        const QJsonArray a = v.toArray();
        auto index = [](const QJsonValue& x) {
            const double d = x.toDouble(-1);
            return x.isDouble() && d >= 0 && d <= INT32_MAX && d == std::trunc(d) ? int(d) : -1;
        };
        if (!v.isArray() || a.size() != 2 || index(a[0]) < 0 || index(a[1]) < 0)
            Fail(QStringLiteral("\"%1\" needs cells as [line, cell] with indexes from 0")
                     .arg(QLatin1String(name)));
        return {index(a[0]), index(a[1])};
    }

    QJsonObject m_json;
    TReportDocument& m_doc;
    QDir m_base;
    QSet<QString> m_used;
};

// The mouse and edit-box steps, on the grid's own mouse operations.
class MouseSteps {
public:
    explicit MouseSteps(THeadlessGrid& grid);
    ~MouseSteps();
    // Runs the step when it is one of the mouse steps; answers false when it is not.
    bool Run(Step& step);
    // A press still held when the steps end is released where the mouse last was.
    void Finish();
    static QString Help();

private:
    THeadlessGrid& m_grid;
    std::unique_ptr<TGridMouse> m_mouse;
    int m_keys = 0;
};

} // namespace karvell::cli
