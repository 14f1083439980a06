#pragma once
// Pages into one fixed-layout document (OFD, GB/T 33190): each page painted as it is printed,
// recorded in millimetres (ofdrecorder.h) and written as the package's XML parts with the
// fonts used embedded (ofddocument.h). The file is written atomically by Finish(); a sink
// destroyed before that, or a failed Finish(), leaves the target as it was.
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

#include "output/ofddocument.h"
#include "output/pagesink.h"

namespace karvell {

class AtomicFile;

class TOfdSink : public TPageSink {
public:
    // Checks at once that `path` may be written (throws KarvellError naming the reason), so
    // that nothing is computed for an output that cannot be saved; an empty path makes a sink
    // for TakeBytes(). `dpi` is the resolution pages are laid out at, as for a PDF.
    TOfdSink(const QString& path, const QString& title, int dpi);
    ~TOfdSink() override;

    // Name and value pairs the document keeps in its information (a voucher's master fields).
    void SetCustomData(const QList<QPair<QString, QString>>& data) { m_info.customData = data; }
    // Font files shared with other documents of the run (optional; must outlive the sink).
    void SetFontFiles(FontFileCache* cache) { m_document.SetFontFiles(cache); }

    void AddPage(const TReportDocument& page, const QPageLayout& layout) override;
    void Finish() override;
    int PageCount() const override { return m_document.PageCount(); }
    // The finished package's bytes without writing them.
    QByteArray TakeBytes();

private:
    QString m_path;
    int m_dpi;
    OfdInfo m_info;
    OfdDocument m_document;
    std::unique_ptr<AtomicFile> m_file;
};

} // namespace karvell
