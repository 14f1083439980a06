#pragma once
// Pages into one PDF file. Each part is written to a temporary file as its pages are painted;
// Finish() joins the parts into the file atomically, so a long run holds no whole PDF in
// memory. The text layer is kept extractable as the characters drawn (pdftext.h). Parts made
// by NewPart() are painted independently (another thread may paint one) and joined in order.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "output/pagesink.h"
#include "output/pdftext.h"

class QPdfWriter;
class QTemporaryFile;

namespace karvell {

// The kind of PDF written: the plain one, or PDF/A-1b for electronic archives (XMP metadata
// matching the information dictionary, an sRGB output intent, every font embedded, no
// transparency, no encryption).
enum class TPdfStandard { Plain, A1b };

class TPdfSink : public TPaintedSink {
public:
    // `path` receives the file at Finish(); `dpi` is the resolution pages are painted at.
    TPdfSink(const QString& path, const QString& title, int dpi,
             TPdfStandard standard = TPdfStandard::Plain);
    ~TPdfSink() override;

    void AddPage(const TReportDocument& page, const QPageLayout& layout) override;
    void Finish() override;
    std::unique_ptr<TPageSink> NewPart() override;
    void AppendPart(std::unique_ptr<TPageSink> part) override;
    void ClosePart() override;
    int PageCount() const override;

    // The finished file's bytes without writing them (a part, a test): ends painting.
    QByteArray TakeBytes();

protected:
    void PagePainted(const TReportDocument& page) override;

private:
    // Ends this part's painting (on the thread that painted it) and checks its file.
    void EndPart();
    // Every part's pages, joined and fixed, through `write`.
    void WriteJoined(const std::function<void(const QByteArray&)>& write);
    bool m_ended = false;
    QString m_path;
    int m_dpi;
    TPdfStandard m_standard;
    std::unique_ptr<QTemporaryFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    PdfTextFixer m_text;
    // Finished parts in page order: this sink's own pages first.
    std::vector<std::unique_ptr<TPdfSink>> m_parts;
    bool m_tailIsOwn = false; // the last part takes the pages added after an appended part
};

// The default resolution of PDF output: the current printer's, 600 without a printer.
int PdfResolution();

} // namespace karvell
