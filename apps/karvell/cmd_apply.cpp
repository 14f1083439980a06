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

#include "apply_step.h"
#include "command.h"
#include "model/documentjson.h"
#include "model/headlessgrid.h"
#include "model/reportdocument.h"
#include "platform/error.h"
#include "platform/fileopen.h"
#include "platform/gbk.h"

namespace karvell::cli {
namespace {

const char* const kUsage = "usage: karvell apply TEMPLATE|new OPS.json -o OUT";

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
             if (!d.NewTable(columns, rows)) throw KarvellError(CloseBeforeNewTableText());
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

void RunStep(const QJsonValue& value, TReportDocument& doc, MouseSteps& mouse, const QDir& base) {
    if (!value.isObject()) Step::Fail(QStringLiteral("a step must be an object"));
    const QJsonObject json = value.toObject();
    Step step(json, doc, base);
    if (mouse.Run(step)) return;
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
    Step::Fail(QStringLiteral("a step needs \"op\", \"select\", \"clear\" or a mouse step"));
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
    QString why;
    if (!OpenForReading(file, &why)) {
        PrintError(QStringLiteral("karvell apply: 无法读取“%1”：%2").arg(opsFile, why));
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

    THeadlessGrid doc;
    MouseSteps mouse(doc);
    try {
        if (templateFile != QLatin1String("new")) doc.LoadFromFile(templateFile);
    } catch (const KarvellError& e) {
        PrintError(QStringLiteral("karvell apply: %1").arg(e.message())); // names the file
        return 1;
    }
    const QDir base = QFileInfo(opsFile).absoluteDir();
    const QJsonArray steps = json.array();
    for (int i = 0; i < steps.size(); ++i) {
        try {
            RunStep(steps[i], doc, mouse, base);
        } catch (const StepError& e) {
            PrintError(QStringLiteral("karvell apply: step %1: %2").arg(i).arg(e.message));
            return 1;
        } catch (const KarvellError& e) {
            // The model's own errors are Chinese: so is the line that carries them.
            PrintError(QStringLiteral("karvell apply: 第 %1 步：%2").arg(i).arg(e.message()));
            return 1;
        }
    }
    mouse.Finish();
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
        "      are found beside OPS.json. Texts, widths and heights are followed by a "
        "relayout.\n") +
        MouseSteps::Help() +
        QStringLiteral(
            "      A step that cannot run is an error naming its index; nothing is saved then."),
    RunApply);

} // namespace karvell::cli
