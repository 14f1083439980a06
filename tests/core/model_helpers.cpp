#include "model_helpers.h"

#include <QBuffer>
#include <QHash>
#include <QSet>
#include <gtest/gtest.h>

#include "model/invariants.h"
#include "platform/gbk.h"
#include "platform/printer.h"

namespace karvell::test {

LetterPrinter::LetterPrinter() : m_env("KARVELL_NO_PRINTERS", QByteArray()) {
    PrinterService::Instance().Reset();
    DEVMODE* dm = PrinterService::Instance().LockPrinterDevMode();
    dm->dmPaperSize = 0; // custom: length and width give the size
    dm->dmOrientation = DMORIENT_PORTRAIT;
    dm->dmPaperWidth = 2032;  // 8 in
    dm->dmPaperLength = 2794; // 11 in
}

LetterPrinter::~LetterPrinter() {
    PrinterService::Instance().Reset();
}

QByteArray G(const char* utf8) {
    return Gbk::Encode(QString::fromUtf8(utf8));
}

TReportCell* At(const TReportDocument& doc, int line, int cell) {
    if (line < 0 || line >= doc.Lines.size() || cell < 0 || cell >= doc.Lines[line]->Cells.size()) {
        ADD_FAILURE() << "no cell (" << line << ", " << cell << ")";
        return nullptr;
    }
    return doc.Lines[line]->Cells[cell];
}

std::pair<int, int> PositionOf(const TReportDocument& doc, const TReportCell* cell) {
    for (int i = 0; i < doc.Lines.size(); ++i) {
        const int j = doc.Lines[i]->Cells.indexOf(const_cast<TReportCell*>(cell));
        if (j >= 0) return {i, j};
    }
    return {-1, -1};
}

void Select(TReportDocument& doc, const std::vector<std::pair<int, int>>& cells) {
    doc.ClearSelection();
    for (const auto& [l, c] : cells)
        if (TReportCell* cell = At(doc, l, c)) doc.AddSelectedCell(cell);
}

QByteArray Save(TReportDocument& doc) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    doc.SaveToStream(buffer, 0);
    return buffer.data();
}

bool Load(TReportDocument& doc, const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return doc.LoadFromStream(buffer, 0);
}

std::vector<std::string> CheckInvariants(const TReportDocument& doc) {
    std::vector<std::string> errors;
    for (const QString& e : InvariantViolations(doc))
        errors.push_back(e.toStdString());
    return errors;
}

std::vector<std::vector<int>> Widths(const TReportDocument& doc) {
    std::vector<std::vector<int>> widths;
    for (const TReportLine* line : doc.Lines) {
        widths.emplace_back();
        for (const TReportCell* cell : line->Cells)
            widths.back().push_back(cell->CellWidth);
    }
    return widths;
}

} // namespace karvell::test
