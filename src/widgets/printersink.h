#pragma once
// The output path's adapter to Qt's printer, which lives in the widgets layer: pages painted
// into one job on a print queue. A job that is not finished is aborted.
#include <QString>
#include <memory>

#include "output/pagesink.h"
#include "output/pdfsink.h"

class QPrinter;

namespace karvell {

class TPrinterSink : public TPaintedSink {
public:
    // Throws KarvellError "打印机 … 不可用" when the queue cannot be used.
    TPrinterSink(const QString& queue, const QString& title);
    ~TPrinterSink() override;
    void Finish() override;

protected:
    QString PrinterName() const override { return m_queue; }

private:
    QString m_queue;
    std::unique_ptr<QPrinter> m_printer;
    bool m_finished = false;
};

// A sink for printing on the current printer: the built-in "PDF" printer writes the next file
// of its folder (or `pdfFile` when given, which needs no printer at all), a system queue gets
// one job. `pdfPath` receives the file's name, empty for a queue. Throws KarvellError
// "未安装打印机" when a queue is needed and none is installed. A PDF file is written as
// `standard` says; a queue has no such choice.
std::unique_ptr<TPageSink> MakePrintSink(const QString& title, const QString& pdfFile,
                                         QString* pdfPath,
                                         TPdfStandard standard = TPdfStandard::Plain);

} // namespace karvell
