#pragma once
// Pages into one spreadsheet (XLSX, written with libxlsxwriter). The grid becomes cells: one
// spreadsheet row per page line, one column per interval between the cell edges of the sheet's
// pages, cells wider than one column or merged over several lines as merged ranges, with their
// fonts, colours, alignment, borders and diagonals, pictures anchored to their cells; pages follow
// one below the other with a manual page break after each, and the first page's paper, orientation
// and margins are the sheet's print settings. Numbers stay numbers where the page's number cells
// are known.
//
// Pages go to the current sheet; StartSheet() opens another (one per voucher of a batch). A
// sheet is laid out when it is complete, because its columns are the union of all its pages'
// edges. The file is written atomically by Finish(); a sink destroyed before that, or a failed
// Finish(), leaves the target as it was.
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "output/numbercells.h"
#include "output/pagesink.h"

namespace karvell {

struct XlsxBook;
struct XlsxSheet;
class TReportCell;
class AtomicFile;

class TXlsxSink : public TPageSink {
public:
    // Checks at once that `path` may be written (throws KarvellError naming the reason), so
    // that nothing is computed for an output that cannot be saved. `title` goes into the
    // workbook's properties and names the first sheet unless StartSheet() names it.
    TXlsxSink(const QString& path, const QString& title);
    ~TXlsxSink() override;

    // Starts a new sheet for the pages that follow. The name is made acceptable to
    // spreadsheets: at most 31 characters, none of []:*?/\, unique within the workbook.
    void StartSheet(const QString& name);
    // The number cells of the pages the next AddPage() calls receive, in order (the runtime's
    // PageNumberCells beside its PageStreams); null when unknown: then every text stays text.
    void SetNumberCells(const QList<TPageNumberCells>* cells);
    // Told once per kind of thing a spreadsheet cannot hold as the page has it.
    std::function<void(const QString&)> OnWarning;

    void AddPage(const TReportDocument& page, const QPageLayout& layout) override;
    void Finish() override;
    int PageCount() const override { return m_pages; }

    // The sheet name a spreadsheet accepts for `wanted`, unique among `taken` (compared
    // without case, as spreadsheets do).
    static QString SheetName(const QString& wanted, const QStringList& taken);

private:
    void Warn(const QString& text);
    void AddPicture(XlsxSheet& sheet, int row, const TReportCell& cell);
    QString m_path;
    QString m_title;
    std::unique_ptr<AtomicFile> m_file;
    std::unique_ptr<XlsxBook> m_book;
    const QList<TPageNumberCells>* m_numberCells = nullptr;
    int m_numberPage = 0; // the next page's place in m_numberCells
    int m_pages = 0;
    QStringList m_warned;
    bool m_renamed = false;
};

} // namespace karvell
