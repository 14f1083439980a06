#include "runtime_helpers.h"

#include <QFile>
#include <gtest/gtest.h>

#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/gbk.h"
#include "platform/logfont.h"

using namespace karvell;

namespace rtest {

QByteArray G(const QString& text) {
    return Gbk::Encode(text);
}
QString U(const QByteArray& gbk) {
    return Gbk::Decode(gbk);
}

TemplateBuilder& TemplateBuilder::Line(const QList<CellSpec>& cells, int height) {
    m_lines.append(LineSpec{cells, height});
    return *this;
}

TemplateBuilder& TemplateBuilder::Lines(int count, const QString& text, int height) {
    for (int i = 0; i < count; ++i)
        Line({CellSpec{text}}, height);
    return *this;
}

TemplateBuilder& TemplateBuilder::Merge(int topLine, int cell, int bottomLine) {
    m_merges.append(MergeSpec{topLine, cell, bottomLine});
    return *this;
}

QByteArray TemplateBuilder::Bytes() const {
    LOGFONTA small = DefaultCellFont();
    small.lfHeight = -9;
    QList<TReportLine*> lines;
    for (const LineSpec& wanted : m_lines) {
        auto* line = new TReportLine;
        line->DragHeight = wanted.height;
        int left = 20;
        for (const CellSpec& c : wanted.cells) {
            auto* cell = new TReportCell;
            cell->SetOwnerLine(line);
            line->Cells.append(cell);
            cell->CellLeft = left;
            cell->SetLogFont(small);
            cell->SetCellWidth(c.width);
            cell->SetCellText(G(c.text));
            cell->SetCellDispFormat(G(c.format));
            left += c.width;
        }
        lines.append(line);
    }
    for (const MergeSpec& m : m_merges)
        for (int i = m.topLine + 1; i <= m.bottomLine; ++i)
            lines[m.topLine]->Cells[m.cell]->AddOwnedCell(lines[i]->Cells[m.cell]);
    LayoutLineList(lines, topMargin);
    for (const TReportLine* line : lines)
        EXPECT_LE(line->MinHeight, line->DragHeight) << "a template line is taller than planned";

    TemplateHeader h;
    h.PageWidth = pageWidth;
    h.PageHeight = pageHeight;
    h.LeftMarginPx = 20;
    h.RightMarginPx = 20;
    h.TopMarginPx = topMargin;
    h.BottomMarginPx = bottomMargin;
    h.LeftMargin = 5;
    h.RightMargin = 5;
    h.TopMargin = 13;
    h.BottomMargin = 13;
    TemplateTrailer t{9, 1, 2970, 2100, 0};
    const QByteArray bytes = WriteTemplate(h, lines, t);
    qDeleteAll(lines);
    return bytes;
}

QString TemplateBuilder::Save(const QTemporaryDir& dir, const QString& name) const {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(Bytes());
    return path;
}

QString Page::LineText(int line) const {
    QStringList texts;
    for (const TReportCell* c : data->lines.at(line)->Cells)
        texts << U(c->CellText);
    return texts.join(u'|');
}

QStringList Page::AllLines() const {
    QStringList out;
    for (int i = 0; i < LineCount(); ++i)
        out << LineText(i);
    return out;
}

Page ReadPage(QBuffer* stream) {
    Page page;
    page.data = std::make_unique<TemplateData>();
    QString error;
    const ReadStatus status = ReadTemplate(*stream, 0, *page.data, &error);
    EXPECT_EQ(status, ReadStatus::Ok) << error.toStdString();
    return page;
}

std::vector<Page> ReadPages(const TReportRunTime& runtime) {
    std::vector<Page> pages;
    for (QBuffer* b : runtime.PageStreams)
        pages.push_back(ReadPage(b));
    return pages;
}

std::unique_ptr<TDataSet> MakeDataSet(const QString& name, const QVector<FieldDef>& fields,
                                      const QVector<QVector<QVariant>>& rows, QObject* parent) {
    auto ds = std::make_unique<TDataSet>(parent);
    ds->setObjectName(name);
    ds->SetFields(fields);
    for (const auto& row : rows)
        ds->AppendRow(row);
    ds->Open();
    return ds;
}

} // namespace rtest
