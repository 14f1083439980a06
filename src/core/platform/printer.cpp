#include "platform/printer.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QtGlobal>

#include "platform/dpi.h"
#include "platform/error.h"
#include "platform/messages.h"

namespace karvell {
namespace {

const char* const kPdfName = "PDF";

struct PaperDef {
    int16_t code;
    double widthMm; // portrait
    double lengthMm;
    QPageSize::PageSizeId id;
};

// The DMPAPER_ codes this program knows, with their sizes. Codes not listed here count as
// custom sizes given by dmPaperWidth and dmPaperLength.
constexpr PaperDef kPapers[] = {
    {DMPAPER_LETTER, 215.9, 279.4, QPageSize::Letter},
    {2, 215.9, 279.4, QPageSize::Letter}, // letter small
    {3, 279.4, 431.8, QPageSize::Tabloid},
    {4, 431.8, 279.4, QPageSize::Ledger},
    {DMPAPER_LEGAL, 215.9, 355.6, QPageSize::Legal},
    {6, 139.7, 215.9, QPageSize::Statement},
    {7, 184.15, 266.7, QPageSize::ExecutiveStandard},
    {DMPAPER_A3, 297, 420, QPageSize::A3},
    {DMPAPER_A4, 210, 297, QPageSize::A4},
    {10, 210, 297, QPageSize::A4}, // A4 small
    {DMPAPER_A5, 148, 210, QPageSize::A5},
    {12, 257, 364, QPageSize::JisB4},
    {DMPAPER_B5, 182, 257, QPageSize::JisB5},
    {20, 104.8, 241.3, QPageSize::Envelope10},
    {27, 110, 220, QPageSize::EnvelopeDL},
    {28, 162, 229, QPageSize::EnvelopeC5},
    {34, 176, 250, QPageSize::EnvelopeB5},
    {42, 250, 353, QPageSize::B4},
    {70, 105, 148, QPageSize::A6},
    {93, 146, 215, QPageSize::Prc16K},
    {94, 97, 151, QPageSize::Prc32K},
    {95, 97, 151, QPageSize::Prc32KBig},
};

const PaperDef* FindPaper(int16_t code) {
    for (const PaperDef& p : kPapers)
        if (p.code == code) return &p;
    return nullptr;
}

PrinterEntry MakeEntry(const QString& name, bool isPdf) {
    PrinterEntry e;
    e.name = name;
    e.isPdf = isPdf;
    return e;
}

bool PrintersHidden() {
    return qEnvironmentVariable("KARVELL_NO_PRINTERS") == QLatin1String("1");
}

int Dots(double mm, int dpi) {
    return Round05(mm * dpi / 25.4);
}

} // namespace

QList<PaperChoice> StandardPapers() {
    const auto caption = [](const char* name, int16_t code) {
        const PaperDef* p = FindPaper(code);
        return QStringLiteral("%1 (%2 × %3 毫米)")
            .arg(QString::fromUtf8(name))
            .arg(p->widthMm, 0, 'g', 4)
            .arg(p->lengthMm, 0, 'g', 4);
    };
    return {{DMPAPER_A4, caption("A4", DMPAPER_A4)},
            {DMPAPER_A3, caption("A3", DMPAPER_A3)},
            {DMPAPER_A5, caption("A5", DMPAPER_A5)},
            {DMPAPER_B5, caption("B5 (JIS)", DMPAPER_B5)},
            {70, caption("A6", 70)},
            {93, caption("16开", 93)},
            {94, caption("32开", 94)},
            {DMPAPER_LETTER, caption("Letter", DMPAPER_LETTER)},
            {DMPAPER_LEGAL, caption("Legal", DMPAPER_LEGAL)}};
}

QSizeF PaperSizeMm(const DEVMODE& dm) {
    if (const PaperDef* p = FindPaper(dm.dmPaperSize)) return QSizeF(p->widthMm, p->lengthMm);
    if (dm.dmPaperWidth > 0 && dm.dmPaperLength > 0)
        return QSizeF(dm.dmPaperWidth / 10.0, dm.dmPaperLength / 10.0);
    return QSizeF(210, 297);
}

QPageLayout PageLayoutFor(const DEVMODE& dm, const QMarginsF& unprintableMm) {
    const PaperDef* p = FindPaper(dm.dmPaperSize);
    const QPageSize size =
        p ? QPageSize(p->id)
          : QPageSize(PaperSizeMm(dm), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    const auto orientation =
        dm.dmOrientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait;
    return QPageLayout(size, orientation, unprintableMm, QPageLayout::Millimeter);
}

void ApplyPageLayout(DEVMODE& dm, const QPageLayout& layout) {
    const QPageSize size = layout.pageSize();
    const QSizeF mm = size.size(QPageSize::Millimeter);
    int16_t code = DMPAPER_USER;
    for (const PaperDef& p : kPapers) {
        if (p.id == size.id() && size.id() != QPageSize::Custom) {
            code = p.code;
            break;
        }
    }
    dm.dmPaperSize = code;
    dm.dmPaperWidth = int16_t(qBound(1, Round05(mm.width() * 10), 32767));
    dm.dmPaperLength = int16_t(qBound(1, Round05(mm.height() * 10), 32767));
    dm.dmOrientation =
        layout.orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    dm.dmFields |= DM_PAPERSIZE | DM_ORIENTATION;
    if (code == DMPAPER_USER)
        dm.dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
    else
        dm.dmFields &= ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
}

PrinterService& PrinterService::Instance() {
    static PrinterService service;
    return service;
}

PrinterService::PrinterService() {
    Reset();
}

void PrinterService::Reset() {
    m_printers = {MakeEntry(QString::fromLatin1(kPdfName), true)};
    m_current = 0;
    m_jobCounter = 0;
    m_formOffsetMm = QPointF();
}

void PrinterService::SetSystemPrinters(const QStringList& queues, const QString& defaultQueue) {
    QList<PrinterEntry> printers;
    auto previous = [this](const QString& name, bool isPdf) {
        for (const PrinterEntry& e : std::as_const(m_printers))
            if (e.name == name && e.isPdf == isPdf)
                return e; // a printer keeps its settings across a refresh of the list
        return MakeEntry(name, isPdf);
    };
    for (const QString& queue : queues) {
        // The built-in printer owns its name; a queue of the same name would be ambiguous.
        if (queue.isEmpty() || queue.compare(QLatin1String(kPdfName), Qt::CaseInsensitive) == 0)
            continue;
        bool seen = false;
        for (const PrinterEntry& e : std::as_const(printers))
            seen = seen || e.name == queue;
        if (!seen) printers.append(previous(queue, false));
    }
    printers.append(previous(QString::fromLatin1(kPdfName), true));
    m_printers = printers;
    m_current = int(m_printers.size()) - 1;
    for (int i = 0; i < m_printers.size(); ++i)
        if (!m_printers[i].isPdf && m_printers[i].name == defaultQueue) m_current = i;
}

QStringList PrinterService::Printers() const {
    QStringList names;
    if (PrintersHidden()) return names;
    for (const PrinterEntry& e : m_printers)
        names << e.name;
    return names;
}

bool PrinterService::HasPrinter() const {
    return !PrintersHidden() && !m_printers.isEmpty();
}

int PrinterService::CurrentIndex() const {
    return HasPrinter() ? m_current : -1;
}

void PrinterService::SetCurrentIndex(int index) {
    if (index >= 0 && index < m_printers.size()) m_current = index;
}

void PrinterService::ApplySetup(int index, int16_t paperCode, int16_t orientation) {
    SetCurrentIndex(index);
    DEVMODE* dm = LockPrinterDevMode();
    dm->dmFields |= DM_PAPERSIZE | DM_ORIENTATION;
    dm->dmPaperSize = paperCode;
    dm->dmOrientation = orientation == DMORIENT_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    if (const PaperDef* p = FindPaper(paperCode)) {
        dm->dmPaperWidth = int16_t(Round05(p->widthMm * 10));
        dm->dmPaperLength = int16_t(Round05(p->lengthMm * 10));
    }
}

QString PrinterService::CurrentName() const {
    return HasPrinter() ? m_printers[m_current].name : QString();
}

bool PrinterService::CurrentIsPdf() const {
    return HasPrinter() && m_printers[m_current].isPdf;
}

DEVMODE* PrinterService::LockPrinterDevMode() {
    if (!HasPrinter())
        throw KarvellError(QStringLiteral("Could Not Initialize TdeviceMode Structure"));
    return &m_printers[m_current].devMode;
}

QSize PrinterService::PrintableDots() const {
    const PrinterEntry& e = m_printers[m_current];
    QSizeF mm = PaperSizeMm(e.devMode);
    if (e.devMode.dmOrientation == DMORIENT_LANDSCAPE) mm.transpose();
    const QMarginsF& m = e.unprintableMm; // in the orientation of the page
    return QSize(qMax(0, Dots(mm.width() - m.left() - m.right(), e.dpiX)),
                 qMax(0, Dots(mm.height() - m.top() - m.bottom(), e.dpiY)));
}

int PrinterService::DpiX() const {
    return m_printers[m_current].dpiX;
}

int PrinterService::DpiY() const {
    return m_printers[m_current].dpiY;
}

QMarginsF PrinterService::UnprintableMm() const {
    return m_printers[m_current].unprintableMm;
}

QString PrinterService::PdfOutputDir() const {
    QString dir = qEnvironmentVariable("KARVELL_PDF_DIR");
    if (!dir.isEmpty()) return dir;
    return QDir::current().filePath(QStringLiteral("output"));
}

QString PrinterService::NextPdfPath(const QString& title) {
    const QString dir = PdfOutputDir();
    if (!QDir().mkpath(dir))
        throw KarvellError(QStringLiteral("无法创建 PDF 输出文件夹“%1”").arg(dir));
    // The title becomes part of a file name: no path separators or control characters.
    QString base = title.trimmed();
    for (QChar& c : base)
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20) c = u'_';
    if (base.isEmpty()) base = QStringLiteral("print");
    QString path;
    do {
        ++m_jobCounter;
        path = QDir(dir).filePath(QStringLiteral("%1-%2.pdf").arg(base).arg(m_jobCounter));
    } while (QFileInfo::exists(path));
    return path;
}

bool HasPrinter() {
    return PrinterService::Instance().HasPrinter();
}

bool RequirePrinter() {
    if (HasPrinter()) return true;
    ShowMessage(QStringLiteral("警告"), QStringLiteral("未安装打印机"), MsgIcon::Warning,
                MsgButtons::Ok);
    return false;
}

DEVMODE* LockPrinterDevMode() {
    return PrinterService::Instance().LockPrinterDevMode();
}

} // namespace karvell
