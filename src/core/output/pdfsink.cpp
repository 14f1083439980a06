#include "output/pdfsink.h"

#include <QPdfWriter>
#include <QTemporaryFile>

#include "model/reportdocument.h"
#include "output/pdfjoin.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "platform/scratchfile.h"

namespace karvell {

int PdfResolution() {
    PrinterService& printers = PrinterService::Instance();
    return printers.HasPrinter() ? printers.DpiX() : 600;
}

TPdfSink::TPdfSink(const QString& path, const QString& title, int dpi, TPdfStandard standard)
    : TPaintedSink(title), m_path(path), m_dpi(dpi), m_standard(standard),
      m_file(OpenScratchFile(QStringLiteral("karvell-XXXXXX.pdf"))) {
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setTitle(title);
    m_writer->setCreator(QStringLiteral("karvell"));
    m_writer->setResolution(dpi);
    if (standard == TPdfStandard::A1b) m_writer->setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    SetDevice(m_writer.get());
}

TPdfSink::~TPdfSink() {
    StopPainting();
}

int TPdfSink::PageCount() const {
    int pages = TPaintedSink::PageCount();
    for (const auto& part : m_parts)
        pages += part->PageCount();
    return pages;
}

void TPdfSink::PagePainted(const TReportDocument& page) {
    for (const TReportLine* line : std::as_const(page.Lines))
        for (const TReportCell* cell : line->Cells)
            if (!cell->OwnerCell && !cell->CellText.isEmpty())
                m_text.AddText(cell->LogFont, cell->CellText);
}

std::unique_ptr<TPageSink> TPdfSink::NewPart() {
    return std::make_unique<TPdfSink>(QString(), Title(), m_dpi, m_standard);
}

void TPdfSink::AppendPart(std::unique_ptr<TPageSink> part) {
    if (!dynamic_cast<TPdfSink*>(part.get()))
        throw KarvellError(QStringLiteral("PDF 只能与 PDF 部分合并"));
    m_parts.emplace_back(static_cast<TPdfSink*>(part.release()));
    m_tailIsOwn = false;
}

void TPdfSink::AddPage(const TReportDocument& page, const QPageLayout& layout) {
    if (m_parts.empty()) {
        TPaintedSink::AddPage(page, layout);
        return;
    }
    // Pages after an appended part follow it, in a part of their own.
    if (!m_tailIsOwn) {
        m_parts.push_back(std::make_unique<TPdfSink>(QString(), Title(), m_dpi, m_standard));
        m_tailIsOwn = true;
    }
    m_parts.back()->AddPage(page, layout);
}

void TPdfSink::ClosePart() {
    EndPart();
}

void TPdfSink::EndPart() {
    if (m_ended) return;
    m_ended = true;
    EndPainting();
    m_writer.reset(); // the writer is done with the file
    if (!m_file->flush()) ScratchWriteFailed(*m_file);
    // A write of the PDF writer's that failed earlier: the error number is long gone.
    if (m_file->error() != QFileDevice::NoError) ScratchWriteFailed(*m_file, 0);
}

void TPdfSink::WriteJoined(const std::function<void(const QByteArray&)>& write) {
    // A part that has no page adds nothing (its writer wrote no file).
    QList<QIODevice*> files;
    EndPart();
    if (TPaintedSink::PageCount() > 0) files.append(m_file.get());
    for (auto& part : m_parts) {
        part->EndPart();
        if (part->TPaintedSink::PageCount() == 0) continue;
        m_text.Merge(part->m_text);
        files.append(part->m_file.get());
    }
    if (!WriteJoinedPdf(files, PdfTextFixes{m_text.Aliases(), true}, write))
        throw KarvellError(QStringLiteral("PDF 的各部分无法合并"));
}

QByteArray TPdfSink::TakeBytes() {
    QByteArray pdf;
    WriteJoined([&pdf](const QByteArray& bytes) { pdf += bytes; });
    return pdf;
}

void TPdfSink::Finish() {
    // A file without pages is no document: nothing is written.
    if (PageCount() == 0) throw KarvellError(QStringLiteral("没有可写入“%1”的页").arg(m_path));
    AtomicFile file(m_path);
    WriteJoined([&file](const QByteArray& bytes) { file.Write(bytes); });
    file.Commit();
}

} // namespace karvell
