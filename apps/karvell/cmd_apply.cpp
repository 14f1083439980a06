// karvell apply: builds or edits a template headless by running the document's own operations,
// listed as steps in a JSON file, and saves the result. A step that cannot run stops everything
// before anything is written.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cmath>
#include <functional>

#include "command.h"
#include "model/documentjson.h"
#include "model/limits.h"
#include "model/reportdocument.h"
#include "platform/error.h"
#include "platform/gbk.h"

namespace karvell::cli {
namespace {

const char* const kUsage = "usage: karvell apply TEMPLATE|new OPS.json -o OUT";

// Sizes beyond what a saved template may hold are refused (the document's own limits).
constexpr qint64 kMaxPx = MAX_SIZE_PX;
constexpr qint64 kMaxMm = MAX_MARGIN_MM;

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

using Operation = std::function<void(Step&, TReportDocument&)>;

// An operation without arguments.
Operation Plain(void (TReportDocument::*member)()) {
    return [member](Step& s, TReportDocument& d) {
        s.Finish();
        (d.*member)();
    };
}

// The document's operations by their names, taking their parameters by name.
const QList<std::pair<QString, Operation>>& Operations() {
    static const QList<std::pair<QString, Operation>> ops = {
        {"NewTable",
         [](Step& s, TReportDocument& d) {
             const int columns = int(s.Int("columns", 1, 1000));
             const int rows = int(s.Int("rows", 1, 10000));
             s.Finish();
             d.NewTable(columns, rows);
         }},
        {"AddLine", Plain(&TReportDocument::AddLine)},
        {"InsertLine", Plain(&TReportDocument::InsertLine)},
        {"DeleteLine", Plain(&TReportDocument::DeleteLine)},
        {"AddCell", Plain(&TReportDocument::AddCell)},
        {"InsertCell", Plain(&TReportDocument::InsertCell)},
        {"DeleteCell", Plain(&TReportDocument::DeleteCell)},
        {"CombineCell", Plain(&TReportDocument::CombineCell)},
        {"SplitCell", Plain(&TReportDocument::SplitCell)},
        {"VSplitCell",
         [](Step& s, TReportDocument& d) {
             const int count = int(s.Int("count", 1, 1000));
             s.Finish();
             d.VSplitCell(count);
         }},
        {"SetSelTextColor",
         [](Step& s, TReportDocument& d) {
             const COLORREF color = s.Color("color");
             s.Finish();
             d.SetSelTextColor(color);
         }},
        {"SetSelColors",
         [](Step& s, TReportDocument& d) {
             const COLORREF text = s.Color("textColor");
             const COLORREF back = s.Color("backColor");
             s.Finish();
             d.SetSelColors(text, back);
         }},
        {"SetSelAlign",
         [](Step& s, TReportDocument& d) {
             const int horz = int(s.Int("horz", INT32_MIN, INT32_MAX));
             const int vert = int(s.Int("vert", INT32_MIN, INT32_MAX));
             s.Finish();
             d.SetSelAlign(horz, vert);
         }},
        {"SetSelDiagonal",
         [](Step& s, TReportDocument& d) {
             const auto flags = uint32_t(s.Int("flags", 0, UINT32_MAX));
             s.Finish();
             d.SetSelDiagonal(flags);
         }},
        {"SetSelFont",
         [](Step& s, TReportDocument& d) {
             const LOGFONTA font = s.Font("font");
             s.Finish();
             d.SetSelFont(font);
         }},
        {"SetSelBorders",
         [](Step& s, TReportDocument& d) {
             const bool left = s.Bool("left"), top = s.Bool("top");
             const bool right = s.Bool("right"), bottom = s.Bool("bottom");
             const int lw = int(s.Int("leftWidth", 0, kMaxPx));
             const int tw = int(s.Int("topWidth", 0, kMaxPx));
             const int rw = int(s.Int("rightWidth", 0, kMaxPx));
             const int bw = int(s.Int("bottomWidth", 0, kMaxPx));
             s.Finish();
             d.SetSelBorders(left, top, right, bottom, lw, tw, rw, bw);
         }},
        {"SetSelDispFormat",
         [](Step& s, TReportDocument& d) {
             const QByteArray format = s.Text("format");
             s.Finish();
             d.SetSelDispFormat(format);
         }},
        // Texts, widths and dragged heights are followed by a relayout, as the editors do.
        {"SetSelText",
         [](Step& s, TReportDocument& d) {
             const QByteArray text = s.Text("text");
             s.Finish();
             d.SetSelText(text);
             d.UpdateLines();
         }},
        {"SetCellText",
         [](Step& s, TReportDocument& d) {
             TReportCell* cell = s.Cell("cell");
             const QByteArray text = s.Text("text");
             s.Finish();
             cell->SetCellText(text);
             d.UpdateLines();
         }},
        {"SetCellWidth",
         [](Step& s, TReportDocument& d) {
             TReportCell* cell = s.Cell("cell");
             const int width = int(s.Int("width", 0, kMaxPx));
             s.Finish();
             cell->SetCellWidth(width);
             d.UpdateLines();
         }},
        {"SetDragHeight",
         [](Step& s, TReportDocument& d) {
             TReportLine* line = s.Line("line");
             const int height = int(s.Int("height", 0, kMaxPx));
             s.Finish();
             line->SetDragHeight(height);
             d.UpdateLines();
         }},
        {"SetMargin",
         [](Step& s, TReportDocument& d) {
             const int left = int(s.Int("left", 0, kMaxMm)), top = int(s.Int("top", 0, kMaxMm));
             const int right = int(s.Int("right", 0, kMaxMm));
             const int bottom = int(s.Int("bottom", 0, kMaxMm));
             s.Finish();
             d.SetMargin(left, top, right, bottom);
         }},
        {"SetZoom",
         [](Step& s, TReportDocument& d) {
             const int percent = int(s.Int("percent", 1, 1000));
             s.Finish();
             d.SetZoom(percent);
         }},
        {"LoadCellPicture",
         [](Step& s, TReportDocument& d) {
             TReportCell* cell = s.Cell("cell");
             const QString file = s.File("file");
             s.Finish();
             try {
                 d.LoadCellPicture(cell, file);
             } catch (const KarvellError& e) {
                 Step::Fail(e.message());
             }
         }},
        {"ClearCellPicture",
         [](Step& s, TReportDocument& d) {
             TReportCell* cell = s.Cell("cell");
             s.Finish();
             d.ClearCellPicture(cell);
         }},
    };
    return ops;
}

void RunStep(const QJsonValue& value, TReportDocument& doc, const QDir& base) {
    if (!value.isObject()) Step::Fail(QStringLiteral("a step must be an object"));
    const QJsonObject json = value.toObject();
    Step step(json, doc, base);
    if (step.Has("op")) {
        const QJsonValue name = json.value(QLatin1String("op"));
        for (const auto& [opName, run] : Operations()) {
            if (name.toString() == opName) {
                step.Text("op");
                run(step, doc);
                return;
            }
        }
        if (!name.isString()) Step::Fail(QStringLiteral("\"op\" must be the name of an operation"));
        Step::Fail(QStringLiteral("unknown operation \"%1\"").arg(name.toString()));
    }
    if (step.Has("select")) {
        const QList<TReportCell*> cells = step.Cells("select");
        const bool shift = step.Has("shift") && step.Bool("shift");
        step.Finish();
        if (!shift) doc.ClearSelection();
        for (TReportCell* cell : cells)
            doc.AddSelectedCell(cell);
        return;
    }
    if (step.Has("clear")) {
        if (!step.Bool("clear")) Step::Fail(QStringLiteral("\"clear\" must be true"));
        step.Finish();
        doc.ClearSelection();
        return;
    }
    Step::Fail(QStringLiteral("a step needs \"op\", \"select\" or \"clear\""));
}

int RunApply(const QStringList& args) {
    QString templateFile, opsFile, output;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (i + 1 >= args.size()) {
                PrintError(QString::fromLatin1(kUsage));
                return 1;
            }
            output = args[++i];
        } else if (a.startsWith(u'-') || !opsFile.isEmpty()) {
            PrintError(QString::fromLatin1(kUsage));
            return 1;
        } else if (templateFile.isEmpty()) {
            templateFile = a;
        } else {
            opsFile = a;
        }
    }
    if (templateFile.isEmpty() || opsFile.isEmpty() || output.isEmpty()) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }

    QFile file(opsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        PrintError(
            QStringLiteral("karvell apply: cannot read %1: %2").arg(opsFile, file.errorString()));
        return 1;
    }
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (json.isNull() || !json.isArray()) {
        PrintError(QStringLiteral("karvell apply: %1 is not a JSON list of steps%2")
                       .arg(opsFile, json.isNull() ? QStringLiteral(" (%1 at offset %2)")
                                                         .arg(parseError.errorString())
                                                         .arg(parseError.offset)
                                                   : QString()));
        return 1;
    }

    TReportDocument doc;
    try {
        if (templateFile != QLatin1String("new") && !doc.LoadFromFile(templateFile))
            return 1; // the reader has already said why
    } catch (const KarvellError& e) {
        PrintError(QStringLiteral("karvell apply: %1").arg(e.message())); // names the file
        return 1;
    }
    const QDir base = QFileInfo(opsFile).absoluteDir();
    const QJsonArray steps = json.array();
    for (int i = 0; i < steps.size(); ++i) {
        try {
            RunStep(steps[i], doc, base);
        } catch (const StepError& e) {
            PrintError(QStringLiteral("karvell apply: step %1: %2").arg(i).arg(e.message));
            return 1;
        } catch (const KarvellError& e) {
            PrintError(QStringLiteral("karvell apply: step %1: %2").arg(i).arg(e.message()));
            return 1;
        }
    }
    try {
        doc.SaveToFile(output);
    } catch (const KarvellError& e) {
        PrintError(QStringLiteral("karvell apply: %1").arg(e.message()));
        return 1;
    }
    return 0;
}

} // namespace

KARVELL_COMMAND(
    QStringLiteral("apply"), QStringLiteral("apply TEMPLATE|new OPS.json -o OUT"),
    QStringLiteral(
        "run the steps of OPS.json on the template (or on an empty grid) and save it as OUT.\n"
        "      OPS.json is a list of steps, counted from 0:\n"
        "        {\"select\": [[line, cell], ...], \"shift\": false}  (without shift the\n"
        "            selection is cleared first)\n"
        "        {\"clear\": true}\n"
        "        {\"op\": NAME, ARGUMENTS}, the document's operations with their parameters:\n"
        "            NewTable(columns, rows), AddLine, InsertLine, DeleteLine, AddCell,\n"
        "            InsertCell, DeleteCell, CombineCell, SplitCell, VSplitCell(count),\n"
        "            SetSelTextColor(color), SetSelColors(textColor, backColor),\n"
        "            SetSelAlign(horz, vert), SetSelDiagonal(flags), SetSelFont(font),\n"
        "            SetSelBorders(left, top, right, bottom, leftWidth, topWidth, rightWidth,\n"
        "            bottomWidth), SetSelDispFormat(format), SetSelText(text),\n"
        "            SetMargin(left, top, right, bottom), SetZoom(percent),\n"
        "            SetCellText(cell, text), SetCellWidth(cell, width),\n"
        "            SetDragHeight(line, height), LoadCellPicture(cell, file),\n"
        "            ClearCellPicture(cell)\n"
        "      Cells are [line, cell]; colours an integer 0x00BBGGRR or \"#RRGGBB\"; a font an\n"
        "      object of lf... fields (the others from the default cell font); picture files\n"
        "      are found beside OPS.json. Texts, widths and heights are followed by a relayout.\n"
        "      A step that cannot run is an error naming its index; nothing is saved then."),
    RunApply);

} // namespace karvell::cli
