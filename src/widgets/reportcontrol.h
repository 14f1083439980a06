#pragma once
// The report grid control: a child window exactly one page large (times the zoom) that shows
// the document, paints it and prints it. The document logic lives in TReportDocument (core);
// this class supplies the window: repaint requests, the inverted selection, the window size.
#include <QWidget>

#include "model/reportdocument.h"

class QPainter;

namespace karvell {

class TReportControl : public QWidget, public TReportDocument {
    Q_OBJECT
public:
    explicit TReportControl(QWidget* parent = nullptr);
    ~TReportControl() override;

    // Prints the document as one page on the current printer, in a job titled "Danmere", or
    // into `pdfFile` when one is given. Answers the PDF file written (empty for a printer queue).
    // Throws KarvellError when the job cannot be started or written; no file is left then.
    QString PrintDocument(const QString& pdfFile = QString());
    // Paints the window's content for the given invalid rectangle (window pixels) onto any
    // paint device: the paint handler and offscreen rendering share it.
    void PaintTo(QPainter& painter, const QRect& invalidWindowRect);
    // The page as printed (print jobs, expanded reports): the window extent mapped onto the
    // printable area `printable` (device units); pictures and cells in print look, nothing else.
    void PaintPrintPage(QPainter& painter, const QSize& printable);

Q_SIGNALS:
    // The owner's "mouse down" notification, after the selection or drag is complete.
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;

    void ViewInvalidate(const TRect& rect) override;
    void ViewInvert(const TRect& rect) override;
    void ViewRepaintAll() override;
    void ViewResize(int width, int height) override;
    bool ViewEditBoxVisible() const override;
    void ViewDestroyEditBox() override;
    int ViewClientBottom() const override;

private:
    QString PrintToPdf(const QString& pdfFile);
    void PrintToQueue(const QString& queue);
};

} // namespace karvell
