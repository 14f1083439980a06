#include "printersink.h"

#include <QPrinter>

#include "output/pdfsink.h"
#include "platform/error.h"
#include "platform/printer.h"

namespace karvell {

TPrinterSink::TPrinterSink(const QString& queue, const QString& title)
    : TPaintedSink(title), m_queue(queue),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    m_printer->setPrinterName(queue);
    if (!m_printer->isValid()) throw KarvellError(QStringLiteral("打印机 %1 不可用").arg(queue));
    m_printer->setDocName(title);
    SetDevice(m_printer.get());
}

TPrinterSink::~TPrinterSink() {
    // Nothing half-printed: an unfinished job is taken back.
    if (!m_finished && IsPainting()) m_printer->abort();
    StopPainting();
}

void TPrinterSink::Finish() {
    if (PageCount() == 0) throw KarvellError(QStringLiteral("打印作业“%1”没有页").arg(Title()));
    EndPainting();
    m_finished = true;
}

std::unique_ptr<TPageSink> MakePrintSink(const QString& title, const QString& pdfFile,
                                         QString* pdfPath, TPdfStandard standard) {
    PrinterService& printers = PrinterService::Instance();
    if (!pdfFile.isEmpty() || printers.CurrentIsPdf()) {
        const QString path = pdfFile.isEmpty() ? printers.NextPdfPath(title) : pdfFile;
        if (pdfPath) *pdfPath = path;
        return std::make_unique<TPdfSink>(path, title, PdfResolution(), standard);
    }
    if (standard != TPdfStandard::Plain)
        throw KarvellError(QStringLiteral("PDF/A 只能写入 PDF 文件，打印机 %1 不是 PDF 打印机")
                               .arg(printers.CurrentName()));
    if (!printers.HasPrinter()) throw KarvellError(QStringLiteral("未安装打印机"));
    if (pdfPath) pdfPath->clear();
    return std::make_unique<TPrinterSink>(printers.CurrentName(), title);
}

} // namespace karvell
