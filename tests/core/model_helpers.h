#pragma once
// Shared helpers of the document model tests: a document that records its view hooks, printer
// and environment guards, cell access and a checker of the model's structural invariants.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "common/scoped_env.h"
#include "model/reportdocument.h"

namespace karvell::test {

// A document that records what it asks of its window.
class RecordingDocument : public TReportDocument {
public:
    QList<TRect> invalidated;
    QList<TRect> inverted;
    int repaintAll = 0;
    // Called at every invalidation, before it is recorded (tests look at the document then).
    std::function<void(const TRect&)> onInvalidate;

    void ClearRecords() {
        invalidated.clear();
        inverted.clear();
        repaintAll = 0;
    }

protected:
    void ViewInvalidate(const TRect& rect) override {
        if (onInvalidate) onInvalidate(rect);
        invalidated.append(rect);
    }
    void ViewInvert(const TRect& rect) override { inverted.append(rect); }
    void ViewRepaintAll() override { ++repaintAll; }
};

// The printers are visible and the current one ("PDF", 600 dpi, no unprintable margins) has a
// custom 8 × 11 inch paper: 4800 × 6600 dots, a page of 768 × 1056 document pixels. The
// printer service is reset when the guard ends.
class LetterPrinter {
public:
    LetterPrinter();
    ~LetterPrinter();
    LetterPrinter(const LetterPrinter&) = delete;
    LetterPrinter& operator=(const LetterPrinter&) = delete;

private:
    ScopedEnv m_env;
};

// UTF-8 text as the GBK bytes the model holds.
QByteArray G(const char* utf8);

// The cell at a position; fails the test (and answers nullptr) when there is none.
TReportCell* At(const TReportDocument& doc, int line, int cell);
// Position of a cell in the document, or (-1, -1).
std::pair<int, int> PositionOf(const TReportDocument& doc, const TReportCell* cell);
// Selects exactly the given cells, in this order.
void Select(TReportDocument& doc, const std::vector<std::pair<int, int>>& cells);

// The document as a template stream.
QByteArray Save(TReportDocument& doc);
// Loads bytes into the document (throws what LoadFromStream throws).
bool Load(TReportDocument& doc, const QByteArray& bytes);

// Every broken structural rule of the document, one message each; empty when all hold.
std::vector<std::string> CheckInvariants(const TReportDocument& doc);

// The cell widths of each line.
std::vector<std::vector<int>> Widths(const TReportDocument& doc);

} // namespace karvell::test
