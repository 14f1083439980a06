#include "preview_helpers.h"

#include "platform/gbk.h"

namespace karvell::testutil {

PageStreams MakePageStreams(int count) {
    PageStreams pages;
    for (int i = 1; i <= count; ++i) {
        TReportDocument page;
        page.NewTable(2, 3);
        page.Lines[0]->Cells[0]->SetCellText(Gbk::Encode(QStringLiteral("页%1").arg(i)));
        page.UpdateLines();
        auto buffer = std::make_unique<QBuffer>();
        buffer->open(QIODevice::ReadWrite);
        page.SaveToStream(*buffer, 0);
        pages.list.append(buffer.get());
        pages.owned.push_back(std::move(buffer));
    }
    return pages;
}

QString FirstCellText(const TReportDocument& document) {
    if (document.Lines.isEmpty() || document.Lines[0]->Cells.isEmpty()) return QString();
    return Gbk::Decode(document.Lines[0]->Cells[0]->CellText);
}

void WriteDetailTemplate(const QString& fileName, const QString& dataSet, int detailHeight) {
    TReportDocument doc;
    doc.NewTable(2, 3);
    doc.Lines[0]->Cells[0]->SetCellText(Gbk::Encode(QStringLiteral("清单")));
    doc.Lines[1]->Cells[0]->SetCellText(Gbk::Encode(QStringLiteral("#%1.名称").arg(dataSet)));
    doc.Lines[1]->Cells[1]->SetCellText(Gbk::Encode(QStringLiteral("#%1.金额").arg(dataSet)));
    doc.Lines[1]->SetDragHeight(detailHeight);
    doc.Lines[2]->Cells[0]->SetCellText("`PageNum/");
    doc.UpdateLines();
    doc.SaveToFile(fileName);
}

} // namespace karvell::testutil
