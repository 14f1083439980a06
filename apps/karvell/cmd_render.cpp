// karvell render: paints a template as the grid window shows it into a PNG image.
#include <QImage>
#include <QPainter>

#include "command.h"
#include "model/limits.h"
#include "platform/atomicfile.h"
#include "platform/samefile.h"
#include "reportcontrol.h"

namespace karvell::cli {
namespace {

constexpr int kMaxZoom = 400; // keeps the image within a few tens of megabytes

const char* const kUsage =
    "usage: karvell render TEMPLATE -o OUT.png [--zoom PERCENT] [--print-look] [--select L,C ...]";

// "L,C": a line index and a cell index, both from 0.
bool ParseCellRef(const QString& text, int* line, int* cell) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2) return false;
    bool okLine = false, okCell = false;
    *line = parts[0].trimmed().toInt(&okLine);
    *cell = parts[1].trimmed().toInt(&okCell);
    return okLine && okCell && *line >= 0 && *cell >= 0;
}

int Fail(const QString& message) {
    PrintError(message);
    return 1;
}

int RunRender(const QStringList& args) {
    QString templateFile, output;
    int zoom = 100;
    bool printLook = false;
    QList<QPair<int, int>> selection;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (!hasValue) return Fail(QString::fromLatin1(kUsage));
            output = args[++i];
        } else if (a == QLatin1String("--zoom")) {
            bool ok = false;
            zoom = hasValue ? args[++i].toInt(&ok) : 0;
            if (!ok || zoom < 1 || zoom > kMaxZoom)
                return Fail(QStringLiteral("karvell render: --zoom needs a percentage from 1 to %1")
                                .arg(kMaxZoom));
        } else if (a == QLatin1String("--print-look")) {
            printLook = true;
        } else if (a == QLatin1String("--select")) {
            int line = 0, cell = 0;
            if (!hasValue || !ParseCellRef(args[++i], &line, &cell))
                return Fail(QStringLiteral("karvell render: --select needs LINE,CELL (from 0)"));
            selection.append({line, cell});
        } else if (a.startsWith(u'-')) {
            return Fail(QStringLiteral("karvell render: unknown option '%1'\n%2")
                            .arg(a, QString::fromLatin1(kUsage)));
        } else if (templateFile.isEmpty()) {
            templateFile = a;
        } else {
            return Fail(QString::fromLatin1(kUsage));
        }
    }
    if (templateFile.isEmpty() || output.isEmpty()) return Fail(QString::fromLatin1(kUsage));

    RefuseOutputOverInput(QStringLiteral("-o"), output, {templateFile});
    TReportControl grid;
    if (!grid.LoadFromFile(templateFile)) return 1;
    if (zoom != 100) grid.SetZoom(zoom);
    grid.PreviewMode = printLook;
    for (const auto& [line, cell] : selection) {
        if (line >= grid.Lines.size() || cell >= grid.Lines[line]->Cells.size())
            return Fail(QStringLiteral("karvell render: 没有单元格 %1,%2").arg(line).arg(cell));
        grid.AddSelectedCell(grid.Lines[line]->Cells[cell]);
    }

    // The size is checked before anything is allocated.
    const QSize size = grid.WindowSize();
    if (!ImageSizeAllowed(size))
        return Fail(QStringLiteral("karvell render: 页面图片 %1 × %2 像素超出上限（%3 百万像素）")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(MAX_IMAGE_PIXELS >> 20));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return Fail(QStringLiteral("karvell render: 内存不足，无法生成 %1 × %2 像素的图片")
                        .arg(size.width())
                        .arg(size.height()));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        grid.PaintTo(painter, image.rect());
    }
    WriteFileAtomic(output, EncodePng(image));
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("render"),
                QStringLiteral("render TEMPLATE -o OUT.png [--zoom PERCENT] [--print-look] "
                               "[--select L,C ...]"),
                QStringLiteral("paint the template as the grid shows it into a PNG image"),
                RunRender);

} // namespace karvell::cli
