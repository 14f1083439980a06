#include "output/pdfsink.h"

#include <QPdfWriter>

#include "model/reportdocument.h"
#include "output/pdfjoin.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/printer.h"

namespace karvell {

int PdfResolution() {
    PrinterService& printers = PrinterService::Instance();
    return printers.HasPrinter() ? printers.DpiX() : 600;
}

TPdfSink::TPdfSink(const QString& path, const QString& title, int dpi, TPdfStandard standard)
    : TPaintedSink(title), m_path(path), m_dpi(dpi), m_standard(standard), m_buffer(&m_pdf) {
    m_buffer.open(QIODevice::WriteOnly);
    m_writer = std::make_unique<QPdfWriter>(&m_buffer);
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
    m_closed = EndPart();
}

QByteArray TPdfSink::EndPart() {
    if (m_closed) return std::exchange(*m_closed, QByteArray());
    EndPainting();
    m_writer.reset(); // the writer is done with the buffer
    m_buffer.close();
    return std::exchange(m_pdf, QByteArray());
}

QByteArray TPdfSink::TakeBytes() {
    QByteArray pdf = EndPart();
    if (!m_parts.empty()) {
        QList<QByteArray> parts{pdf};
        for (auto& part : m_parts) {
            // A part that has no page adds nothing.
            if (part->TPaintedSink::PageCount() == 0) continue;
            m_text.Merge(part->m_text);
            parts.append(part->EndPart());
        }
        if (parts.size() > 1) {
            pdf = JoinQtPdfs(parts);
            if (pdf.isEmpty()) throw KarvellError(QStringLiteral("PDF 的各部分无法合并"));
        }
    }
    return m_text.Fix(pdf);
}

void TPdfSink::Finish() {
    // A file without pages is no document: nothing is written.
    if (PageCount() == 0) throw KarvellError(QStringLiteral("没有可写入“%1”的页").arg(m_path));
    WriteFileAtomic(m_path, TakeBytes());
}

} // namespace karvell
