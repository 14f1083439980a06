#pragma once
// The printer service: the installed printers, the current printer and an emulated DEVMODE per
// printer, read and written in place; printable area and resolution follow from the DEVMODE's
// paper and orientation and the printer's unprintable margins. The built-in virtual printer
// "PDF" writes each print job as a PDF file into an output folder. The widgets layer adds the
// CUPS queues; the core alone knows only "PDF".
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <memory>

namespace karvell {

inline constexpr uint32_t DM_ORIENTATION = 0x00000001;
inline constexpr uint32_t DM_PAPERSIZE = 0x00000002;
inline constexpr uint32_t DM_PAPERLENGTH = 0x00000004;
inline constexpr uint32_t DM_PAPERWIDTH = 0x00000008;

inline constexpr int16_t DMORIENT_PORTRAIT = 1;
inline constexpr int16_t DMORIENT_LANDSCAPE = 2;

// Windows DMPAPER_ codes used here (0 means a custom size given by length and width).
inline constexpr int16_t DMPAPER_LETTER = 1;
inline constexpr int16_t DMPAPER_LEGAL = 5;
inline constexpr int16_t DMPAPER_A3 = 8;
inline constexpr int16_t DMPAPER_A4 = 9;
inline constexpr int16_t DMPAPER_A5 = 11;
inline constexpr int16_t DMPAPER_B5 = 13;    // JIS B5, 182 x 257 mm
inline constexpr int16_t DMPAPER_USER = 256; // a size of the user's, given by length and width

// The form offset for pre-printed paper only nudges the print onto the form's boxes: anything
// beyond a tenth of a metre either way, or not a number, moves the print off the paper.
inline constexpr double kMaxFormOffsetMm = 100;
inline bool FormOffsetAllowed(double mm) {
    return std::isfinite(mm) && std::abs(mm) <= kMaxFormOffsetMm;
}

// The fields of DEVMODE that the program reads and writes.
struct DEVMODE {
    uint32_t dmFields = DM_ORIENTATION | DM_PAPERSIZE;
    int16_t dmPaperSize = DMPAPER_A4;
    int16_t dmOrientation = DMORIENT_PORTRAIT;
    int16_t dmPaperLength = 2970; // tenths of a millimetre
    int16_t dmPaperWidth = 2100;
};

// Page size in millimetres (portrait) for a DEVMODE: the paper code's size, or length and
// width when the code is 0 or unknown and both are positive; else A4.
QSizeF PaperSizeMm(const DEVMODE& dm);
// The Qt page layout (size, orientation, margins) a print job uses for the DEVMODE.
QPageLayout PageLayoutFor(const DEVMODE& dm, const QMarginsF& unprintableMm);
// Copies a page layout chosen in a dialog back into a DEVMODE: the DMPAPER_ code of its size
// (DMPAPER_USER with DM_PAPERLENGTH | DM_PAPERWIDTH for a size without a code), the portrait
// length and width in tenths of a millimetre, and the orientation.
void ApplyPageLayout(DEVMODE& dm, const QPageLayout& layout);

// The papers the printer setup dialog offers: the DMPAPER_ code and its caption.
struct PaperChoice {
    int16_t code;
    QString caption;
};
QList<PaperChoice> StandardPapers();

struct PrinterEntry {
    QString name;
    bool isPdf = false;
    DEVMODE devMode;
    QMarginsF unprintableMm; // margins the device cannot print, in mm
    int dpiX = 600;
    int dpiY = 600;
};

class PrinterService {
public:
    static PrinterService& Instance();

    // Rebuilds the list: the given system queues (first = system default, may be empty)
    // plus the built-in "PDF" printer. The widgets layer calls it with the CUPS queues.
    void SetSystemPrinters(const QStringList& queues, const QString& defaultQueue);
    // All installed printers; empty when KARVELL_NO_PRINTERS=1 hides them.
    QStringList Printers() const;
    bool HasPrinter() const;
    int CurrentIndex() const;
    void SetCurrentIndex(int index);
    QString CurrentName() const;
    bool CurrentIsPdf() const;
    // The current printer's DEVMODE, for reading and writing in place. Throws KarvellError
    // "Could Not Initialize TdeviceMode Structure" when there is no printer.
    DEVMODE* LockPrinterDevMode();
    // Printable area in device dots for the current paper and orientation, and resolution.
    QSize PrintableDots() const;
    int DpiX() const;
    int DpiY() const;
    QMarginsF UnprintableMm() const;

    // The printer setup dialog's answer: printer `index` becomes the current printer for this
    // run and its DEVMODE takes the paper code (its portrait length and width with it; a code
    // that is not a known paper keeps the custom length and width) and the orientation.
    void ApplySetup(int index, int16_t paperCode, int16_t orientation);

    // Where the "PDF" printer writes: $KARVELL_PDF_DIR, else ./output.
    QString PdfOutputDir() const;
    // The next file name for a job of that title: <dir>/<title>-<n>.pdf, n counting up.
    QString NextPdfPath(const QString& title);
    // Restores the initial state (tests).
    void Reset();

    // Form offset for pre-printed paper (套打), in millimetres right and down (negative
    // allowed): everything printed moves by it, nothing on screen does.
    QPointF FormOffsetMm() const { return m_formOffsetMm; }
    void SetFormOffsetMm(const QPointF& mm) { m_formOffsetMm = mm; }

private:
    QPointF m_formOffsetMm;
    PrinterService();
    QList<PrinterEntry> m_printers;
    int m_current = 0;
    int m_jobCounter = 0;
};

// Shorthands named as the design calls them.
bool HasPrinter();
// Printing's first check, for the entry points that print (the runtime's PrintPreview, the
// windows' print commands, the programs): true when a printer is installed, else the
// "未安装打印机" warning (a box in the windows, stderr in the tool) and false.
bool RequirePrinter();
DEVMODE* LockPrinterDevMode();

} // namespace karvell
