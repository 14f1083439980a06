// The demo voucher template, built the way a user builds one in the designer: a new table,
// cells combined and split, then fonts, borders, alignment, number formats and texts.
#include "demo_voucher.h"
#include "model/reportdocument.h"
#include "platform/gbk.h"
#include "platform/logfont.h"

namespace karvell::demo {

namespace {

// The table part: column headings, the digit-column headings, 承前页, the detail line, the page
// total, the grand total and its upper-case line (last page only), 过次页 and the signatures.
enum Line {
    Company,
    Title,
    Info,
    Columns,
    Digits,
    Brought,
    Detail,
    PageSum,
    GrandSum,
    UpperSum,
    Carried,
    Signature,
    LineCount
};

LOGFONTA Font(const QString& face, int pixelHeight, bool bold = false, bool underline = false) {
    LOGFONTA f = DefaultCellFont();
    SetFaceName(f, face);
    f.lfHeight = -pixelHeight;
    f.lfWeight = bold ? 700 : 400;
    f.lfUnderline = underline ? 1 : 0;
    return f;
}

void Select(TReportDocument& doc, const QList<TReportCell*>& cells) {
    doc.ClearSelection();
    for (TReportCell* cell : cells)
        doc.AddSelectedCell(cell);
}

QList<TReportCell*> CellsOf(const TReportDocument& doc, int line) {
    return doc.Lines[line]->Cells;
}

// Splits the cells of a line until it has `count` cells (each split halves one cell).
void SplitTo(TReportDocument& doc, int line, int count) {
    int at = 0;
    while (doc.Lines[line]->Cells.size() < count) {
        Select(doc, {doc.Lines[line]->Cells[at]});
        doc.VSplitCell(2);
        at = (at + 2) % int(doc.Lines[line]->Cells.size());
    }
}

void SetWidths(TReportDocument& doc, int line, const QList<int>& widths) {
    const QList<TReportCell*> cells = CellsOf(doc, line);
    for (int i = 0; i < cells.size() && i < widths.size(); ++i)
        cells[i]->SetCellWidth(widths[i]);
    doc.UpdateLines();
}

void SetText(TReportDocument& doc, TReportCell* cell, const QString& text) {
    Select(doc, {cell});
    doc.SetSelText(Gbk::Encode(text));
}

void Format(TReportDocument& doc, const QList<TReportCell*>& cells, const LOGFONTA& font, int horz,
            int vert = 1) {
    Select(doc, cells);
    doc.SetSelFont(font);
    doc.SetSelAlign(horz, vert);
}

void Borders(TReportDocument& doc, const QList<TReportCell*>& cells, bool on) {
    Select(doc, cells);
    doc.SetSelBorders(on, on, on, on, 1, 1, 1, 1);
}

} // namespace

void BuildVoucherTemplate(TReportDocument& doc) {
    const QString song = QStringLiteral("宋体");
    const QString hei = QStringLiteral("黑体");
    const QString kai = QStringLiteral("楷体_GB2312");
    doc.SetMargin(20, 15, 15, 15); // left, top, right, bottom (mm)
    doc.NewTable(4, LineCount);
    const int width = doc.PageWidth - doc.LeftMarginPx - doc.RightMarginPx;

    // Column widths of the table part: 摘要, 会计科目, 借方金额, 贷方金额; the amounts in eleven
    // digit columns (亿千百十万千百十元角分) as on printed voucher paper.
    const int amount = 140;
    const int subject = 205;
    const int summary = width - subject - 2 * amount;
    for (int line : {Columns, Digits, Detail})
        SetWidths(doc, line, {summary, subject, amount, amount});

    // Company and title: one cell across the page.
    for (int line : {Company, Title}) {
        Select(doc, CellsOf(doc, line));
        doc.CombineCell();
        SetWidths(doc, line, {width});
    }
    // Sums and carried totals: the label covers the first two columns.
    for (int line : {Brought, PageSum, GrandSum, Carried}) {
        Select(doc, {CellsOf(doc, line)[0], CellsOf(doc, line)[1]});
        doc.CombineCell();
        SetWidths(doc, line, {summary + subject, amount, amount});
    }
    // The grand total in words: a label, then one cell across the rest.
    Select(doc, {CellsOf(doc, UpperSum)[1], CellsOf(doc, UpperSum)[2], CellsOf(doc, UpperSum)[3]});
    doc.CombineCell();
    SetWidths(doc, UpperSum, {summary, subject + 2 * amount});
    // The voucher's particulars and the signatures: labels and values side by side.
    SplitTo(doc, Info, 7);
    SetWidths(doc, Info, {62, 176, 76, 130, width - 62 - 176 - 76 - 130 - 120 - 30, 120, 30});
    SplitTo(doc, Signature, 7);
    SetWidths(doc, Signature, {62, 100, 62, 100, 62, 100, width - 3 * 62 - 3 * 100});

    // No frame outside the table.
    Borders(doc,
            CellsOf(doc, Company) + CellsOf(doc, Title) + CellsOf(doc, Info) +
                CellsOf(doc, Signature),
            false);

    // Texts and their looks.
    const QList<TReportCell*> company = CellsOf(doc, Company);
    SetText(doc, company[0], QStringLiteral("@主表.单位名称"));
    Format(doc, company, Font(song, 18, true), 1);

    const QList<TReportCell*> title = CellsOf(doc, Title);
    SetText(doc, title[0], QStringLiteral("记账凭证"));
    Format(doc, title, Font(hei, 32, true, true), 1);
    doc.Lines[Title]->SetDragHeight(56);

    const QList<TReportCell*> info = CellsOf(doc, Info);
    const QStringList infoTexts = {QStringLiteral("日期："),   QStringLiteral("@主表.日期"),
                                   QStringLiteral("凭证号："), QStringLiteral("@主表.凭证号"),
                                   QStringLiteral("附单据"),   QStringLiteral("@主表.附件数"),
                                   QStringLiteral("张")};
    for (int i = 0; i < info.size(); ++i)
        SetText(doc, info[i], infoTexts[i]);
    Format(doc, info, Font(song, 15), 0, 2);
    Format(doc, {info[0], info[2], info[4]}, Font(song, 15), 2, 2);
    Format(doc, {info[5]}, Font(song, 15), 1, 2);
    doc.Lines[Info]->SetDragHeight(30);

    const QList<TReportCell*> heads = CellsOf(doc, Columns);
    const QStringList headTexts = {QStringLiteral("摘要"), QStringLiteral("会计科目"),
                                   QStringLiteral("借方金额"), QStringLiteral("贷方金额")};
    for (int i = 0; i < heads.size(); ++i)
        SetText(doc, heads[i], headTexts[i]);
    Format(doc, heads, Font(hei, 16, true), 1);
    Select(doc, heads);
    doc.SetSelColors(RGB(0, 0, 0), RGB(232, 236, 242));
    doc.Lines[Columns]->SetDragHeight(34);

    const QByteArray digitColumns = Gbk::Encode(QStringLiteral("[金额线11]"));
    const QList<TReportCell*> digits = CellsOf(doc, Digits);
    SetText(doc, digits[2], QStringLiteral("亿千百十万千百十元角分"));
    SetText(doc, digits[3], QStringLiteral("亿千百十万千百十元角分"));
    Format(doc, digits, Font(song, 12), 1);
    Select(doc, digits);
    doc.SetSelColors(RGB(0, 0, 0), RGB(232, 236, 242));
    Select(doc, {digits[2], digits[3]});
    doc.SetSelDispFormat(digitColumns);
    doc.Lines[Digits]->SetDragHeight(24);

    const QList<TReportCell*> detail = CellsOf(doc, Detail);
    const QStringList detailTexts = {QStringLiteral("#从表.摘要"), QStringLiteral("#从表.科目"),
                                     QStringLiteral("#从表.借方金额"),
                                     QStringLiteral("#从表.贷方金额")};
    for (int i = 0; i < detail.size(); ++i)
        SetText(doc, detail[i], detailTexts[i]);
    Format(doc, detail, Font(song, 15), 0);
    Format(doc, {detail[2], detail[3]}, Font(song, 15), 2);
    Select(doc, {detail[2], detail[3]});
    doc.SetSelDispFormat(digitColumns);
    // Rows as tall as on a printed voucher form, room for a handwritten correction.
    doc.Lines[Detail]->SetDragHeight(46);

    // Label, debit total, credit total of the sum lines: 承前页 from the pages before, the page
    // total, the grand total (last page) and 过次页 up to this page (empty on the last page).
    const QList<std::pair<Line, QStringList>> sums = {
        {Brought, {QStringLiteral("承前页"), "`SumPrev(3)", "`SumPrev(4)"}},
        {PageSum, {QStringLiteral("本页合计"), "`SumPage(3)", "`SumPage(4)"}},
        {GrandSum, {QStringLiteral("合计"), "`SumAll(3)", "`SumAll(4)"}},
        {Carried, {QStringLiteral("过次页"), "`SumCarry(3)", "`SumCarry(4)"}},
    };
    for (const auto& [line, texts] : sums) {
        const QList<TReportCell*> cells = CellsOf(doc, line);
        for (int i = 0; i < 3; ++i)
            SetText(doc, cells[i], texts[i]);
        Format(doc, cells, Font(song, 15, true), 2);
        Format(doc, {cells[0]}, Font(song, 15, true), 1);
        Select(doc, {cells[1], cells[2]});
        doc.SetSelDispFormat(digitColumns);
        doc.Lines[line]->SetDragHeight(34);
    }
    const QList<TReportCell*> upper = CellsOf(doc, UpperSum);
    SetText(doc, upper[0], QStringLiteral("金额（大写）"));
    SetText(doc, upper[1], QStringLiteral("`SumAll(3)"));
    Format(doc, upper, Font(kai, 17, true), 0);
    Format(doc, {upper[0]}, Font(song, 15, true), 1);
    Select(doc, {upper[1]});
    doc.SetSelDispFormat(Gbk::Encode(QStringLiteral("[人民币大写]")));
    doc.Lines[UpperSum]->SetDragHeight(34);

    // The table's outer frame is drawn heavier.
    for (int line : {Columns, Digits, Brought, Detail, PageSum, GrandSum, UpperSum, Carried}) {
        const QList<TReportCell*> cells = CellsOf(doc, line);
        const bool top = line == Columns;
        const bool bottom = line == Carried;
        for (int i = 0; i < cells.size(); ++i) {
            const bool first = i == 0;
            const bool last = i == cells.size() - 1;
            Select(doc, {cells[i]});
            doc.SetSelBorders(true, true, true, true, first ? 2 : 1, top ? 2 : 1, last ? 2 : 1,
                              bottom ? 2 : 1);
        }
    }

    const QList<TReportCell*> sign = CellsOf(doc, Signature);
    const QStringList signTexts = {QStringLiteral("制单："),   QStringLiteral("@主表.制单"),
                                   QStringLiteral("复核："),   QStringLiteral("@主表.复核"),
                                   QStringLiteral("记账："),   QStringLiteral("@主表.记账"),
                                   QStringLiteral("`PageNum/")};
    for (int i = 0; i < sign.size(); ++i)
        SetText(doc, sign[i], signTexts[i]);
    Format(doc, sign, Font(song, 15), 0);
    Format(doc, {sign[0], sign[2], sign[4], sign[6]}, Font(song, 15), 2);
    Format(doc, {sign[1], sign[3], sign[5]}, Font(kai, 17), 0);
    doc.Lines[Signature]->SetDragHeight(36);

    doc.ClearSelection();
    doc.UpdateLines();
}

} // namespace karvell::demo
