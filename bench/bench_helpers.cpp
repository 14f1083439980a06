#include "bench_helpers.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/gbk.h"
#include "platform/logfont.h"

namespace karvell::bench {

TemplateHeader VoucherPage() {
    TemplateHeader h;
    h.PageWidth = 768;
    h.PageHeight = 1058;
    h.LeftMarginPx = 77;
    h.TopMarginPx = 77;
    h.RightMarginPx = 38;
    h.BottomMarginPx = 58;
    h.LeftMargin = 20;
    h.TopMargin = 20;
    h.RightMargin = 10;
    h.BottomMargin = 15;
    return h;
}

QByteArray TemplateFromTable(const CellTable& table, const TemplateHeader& page) {
    QList<TReportLine*> lines;
    for (const QList<Cell>& cells : table) {
        auto* line = new TReportLine;
        int left = page.LeftMarginPx;
        for (const Cell& c : cells) {
            auto* cell = new TReportCell;
            cell->SetOwnerLine(line);
            line->Cells.append(cell);
            cell->CellLeft = left;
            cell->HorzAlign = c.align;
            cell->SetCellWidth(c.width);
            cell->SetCellText(Gbk::Encode(QString::fromUtf8(c.text)));
            cell->SetCellDispFormat(Gbk::Encode(QString::fromUtf8(c.format)));
            left += c.width;
        }
        lines.append(line);
    }
    LayoutLineList(lines, page.TopMarginPx);
    const QByteArray bytes = WriteTemplate(page, lines, TemplateTrailer{9, 1, 2970, 2100, 0});
    qDeleteAll(lines);
    return bytes;
}

QString WriteTemplateFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    QFile file(dir.filePath("voucher.ept"));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    return file.fileName();
}

int RunBenchmarks(int argc, char** argv) {
    InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace karvell::bench
