#pragma once
// The report runtime: a non-visual component that loads a template into its own lines, binds
// named data sets and variables, runs SetData command lines, expands the template into pages
// (template streams in memory) and hands them to a preview or the printer. The windows it opens
// come from the widgets layer through RuntimeUi, so the engine stays headless.
#include <QBuffer>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <bitset>
#include <functional>

#include "format/decimal.h"
#include "model/reportcell.h"
#include "model/reportline.h"
#include "output/numbercells.h"
#include "runtime/dataset.h"

namespace karvell {

inline constexpr int TOTAL_COLUMNS = 41;

struct TDatasetItem {
    QPointer<TDataSet> ItemDataSet; // not owned
    QByteArray ItemName;            // upper-cased GBK
};

struct TVarTableItem {
    QByteArray ItemName; // upper-cased GBK
    QByteArray ItemValue;
};

struct TCellTable {
    TReportCell* TemplateCell = nullptr;
    TReportCell* ProducedCell = nullptr;
};

// How the runtime's last run ended. Each field is empty (false) after a run that went well; the
// message boxes of the design have been shown as usual whatever is set here.
struct TRunOutcome {
    // Why the last load of ReportFile failed; PrintPreview prints nothing while it is set.
    QString TemplateIssue;
    // Why the last BuildPages ended early (its message or the data error behind it).
    QString RunIssue;
    // The run ended on a failed total: its pages hold wrong totals and are never printed.
    bool WrongTotals = false;
    // Why the last PrintPreview did not print or show the whole report (no printer, an error
    // while expanding or printing, a page that could not be filled, a failed total); empty when
    // every page was handed on.
    QString Incomplete;
    // What the design says in a message box during a load or a run (an unreadable template, a
    // failed total, a page that cannot be filled), each text once, in order. The runtime never
    // shows them itself: the entry point that started the work does (ShowNotes), a window as
    // boxes and a tool on stderr.
    QStringList Notes;
    void Note(const QString& text) {
        if (!Notes.contains(text)) Notes.append(text);
    }
};

class TReportRunTime;

// What the runtime asks of the user interface. The widgets layer installs the real one
// (progress box, preview window, page-setup dialog); without one, nothing is shown and
// previews print nothing.
class RuntimeUi {
public:
    virtual ~RuntimeUi() = default;
    virtual void ShowProgress(TReportRunTime* runtime) = 0;
    virtual void CloseProgress(TReportRunTime* runtime) = 0;
    // Creates the preview window for the runtime's pages (PreviewWindow set meanwhile), runs it
    // modally (or prints directly) and destroys it. `forPreview` distinguishes Preview (no
    // printing, widths written back) from PrintPreview.
    virtual void RunPreviewWindow(TReportRunTime* runtime, bool previewMode, int detailIndex,
                                  bool forPreview) = 0;
    // The page-setup dialog for the template file; answers its SetupDone.
    virtual bool PageSetupForFile(TReportRunTime* runtime, const QString& fileName) = 0;
    // After a rebuild: the runtime's PreviewWindow takes the new PageStreams and shows its
    // current page again (SetPages, ShowPage).
    virtual void ShowRebuiltPages(TReportRunTime* /*runtime*/) {}
    // Opens the template editor on the runtime's ReportFile (the runtime's Design operation).
    virtual void OpenDesigner(TReportRunTime* /*runtime*/) {}

    static RuntimeUi* Instance();
    static void SetInstance(RuntimeUi* ui);
};

class TReportRunTime : public QObject {
    Q_OBJECT
public:
    explicit TReportRunTime(QObject* owner = nullptr);
    ~TReportRunTime() override;

    // Published properties.
    QString ReportFile() const { return m_reportFile; }
    void SetReportFile(const QString& fileName); // loads at once when not empty
    QObject* PrDBGrid() const { return m_prDBGrid; }
    void SetPrDBGrid(QObject* grid) { m_prDBGrid = grid; }
    bool EnableEdit() const { return m_enableEdit; }
    void SetEnableEdit(bool v) { m_enableEdit = v; }
    bool EditEpt() const { return m_editEpt; }
    void SetEditEpt(bool v) { m_editEpt = v; }
    const QStringList& SetData() const { return m_setData; }
    void SetSetData(const QStringList& lines); // runs every line (open)
    bool AddSpace() const { return m_addSpace; }
    void SetAddSpace(bool v) { m_addSpace = v; }

    // Fields.
    QObject* PreviewWindow = nullptr;
    QList<QBuffer*> PageStreams; // owned
    // When set, each page produced goes here instead of into PageStreams: a headless run hands
    // its pages on as they come (to a spool), so memory does not grow with the page count.
    std::function<void(const QByteArray&)> PageOut;
    // When set, each page written also lists its cells with a number format (PageNumberCells,
    // one entry per page stream): a spreadsheet output reads their texts back as numbers.
    bool KeepNumberCells = false;
    QList<TPageNumberCells> PageNumberCells;
    // Kept exactly (decimal units), so amounts of every size a voucher holds add up to the cent.
    std::array<Total, TOTAL_COLUMNS> PageTotals{};
    std::array<Total, TOTAL_COLUMNS> RunningTotals{};
    QList<TVarTableItem*> Variables;
    QList<TReportLine*> TemplateLines;
    QList<TReportLine*> PageLines;
    QList<TCellTable*> CellTables;
    QList<TDatasetItem*> DataSets;
    uint8_t Reserved1 = 1;
    int32_t Reserved2 = 2000;
    int32_t Reserved3 = 1;
    int32_t Zoom = 100;
    int32_t PageWidth = 0;
    int32_t PageHeight = 0;
    int32_t LeftMarginPx = 0;
    int32_t RightMarginPx = 0;
    int32_t TopMarginPx = 0;
    int32_t BottomMarginPx = 0;
    int32_t LeftMargin = 0;
    int32_t RightMargin = 0;
    int32_t TopMargin = 0;
    int32_t BottomMargin = 0;
    int32_t PageNo = 0;
    int32_t FooterLineIndex = 0;
    int32_t PaperSize = 0;
    int32_t PaperOrientation = 0;
    int32_t PaperLength = 0;
    int32_t PaperWidth = 0;
    int32_t SumAllLineIndex = 0;
    bool PrintDirect = false;
    // Called while a pass places records (records placed, records in all); for progress bars.
    std::function<void(int placed, int total)> OnProgress;
    // Warnings of the build pass for batch runs (a number shown as "#" because it does not fit
    // its cell); nothing is said when unset.
    std::function<void(const QString& warning)> OnWarning;
    // How the last load, expansion and print ended, in one place (see TRunOutcome).
    TRunOutcome Outcome;

    // Shows the outcome's notes through the message service and forgets them. Called by the
    // entry points: PrintPreview, Preview and page setup here, and the programs after they
    // load a template or run the expansion themselves.
    void ShowNotes();

    // Template, registry, variables, SetData.
    void LoadTemplate();
    // Loads a template from a device instead of ReportFile (a template held in memory by a
    // program that embeds the runtime); `name` stands for the file in messages.
    void LoadTemplateFrom(QIODevice& device, const QString& name);
    void LayoutLines(const QList<TReportLine*>& lines);
    void SetDataSet(const QByteArray& name, TDataSet* dataSet);
    TDataSet* FindDataSet(const QByteArray& upperName) const;
    void SetVarValue(const QByteArray& name, const QByteArray& value);
    void RunSetDataLine(const QByteArray& line, bool disableControls, bool open);
    static QObject* FindDataComponent(QObject* owner, const QString& path);
    void FreeDataSets();

    // Expansion.
    int BuildPages(bool build, int pageCount);
    void FillCell(bool blank, TReportCell* cell, TDataSet* detail, TReportCell* templateCell);
    void AddPage(int pageNo, int pageCount);
    void WritePage(QIODevice& stream, int pageNo, int pageCount);
    void FreePages();
    static QByteArray PlaceholderDataSetName(const QByteArray& text);
    static QByteArray PlaceholderFieldName(const QByteArray& text);
    TDataSet* PlaceholderDataSet(const QByteArray& text) const;

    // Report functions.
    QByteArray EvalFunction(const QByteArray& text);
    QByteArray PageText(const TReportCell* cell, int pageNo, int pageCount);
    QByteArray EvalSumPage(const QByteArray& format, const QByteArray& text);
    QByteArray EvalSumAll(const QByteArray& format, const QByteArray& text);
    // Carried totals: the records of all pages before this one (承前页), and those up to and
    // including this page (过次页), which is empty on the last page.
    QByteArray EvalSumPrev(const QByteArray& format, const QByteArray& text);
    QByteArray EvalSumCarry(const QByteArray& format, const QByteArray& text);

    // Entry points that show windows (through RuntimeUi).
    void PrintPreview(bool previewMode);
    virtual void Preview();
    virtual void Design();
    bool PageSetupAndRebuild();

private:
    struct RunLines;
    // Field of a "#" or "@" cell resolved once per run: the data set and its column.
    struct CachedField {
        const TDataSet* dataSet = nullptr;
        int column = -1;
        FieldKind kind = FieldKind::Other;
    };
    TField DetailField(TDataSet* dataSet, const TReportCell* templateCell, FieldKind* kind);
    void ShowFieldValue(TReportCell* cell, const TField& field, FieldKind kind);
    // The formatted text of a field that reads as a number, or its text; throws the data error
    // where the cell's format needs an amount and the value is none.
    QByteArray FieldText(const TReportCell* cell, const TField& field, FieldKind kind);
    std::array<Total, TOTAL_COLUMNS> m_previousTotals{}; // RunningTotals − PageTotals
    // The detail columns a total function of the template reads: their values must be amounts.
    std::bitset<TOTAL_COLUMNS> m_totalColumns;
    void CollectTotalColumns();
    // Adds (sign +1) or takes out (sign -1) the current detail record's values; false after
    // an error (the message has been shown).
    bool AddTotals(TDataSet* detail, const TReportLine* detailLine, double sign);
    struct SumFunction;
    static const SumFunction* FindSumFunction(const QByteArray& upperText);
    // The value of a total function's column list; false after the malformed-list message.
    bool EvalSum(const SumFunction& function, const QByteArray& text, Total* value);
    QByteArray EvalSumText(const SumFunction& function, const QByteArray& format,
                           const QByteArray& text);
    // A formatted number that does not fit its cell becomes "#" across it (with a warning).
    QByteArray FitNumber(const TReportCell* cell, const QString& text, bool overflow);
    void Warn(const QString& text) const;
    bool m_buildPass = false;
    bool m_lastPage = false; // the page being written is the last one
    void RunSetDataLines(bool disableControls, bool open);
    // PageLines as a template stream (WritePage's bytes).
    QByteArray PageBytes(int pageNo, int pageCount);
    TPageNumberCells NumberCellsOfPage() const;

    QHash<const TReportCell*, CachedField> m_fieldCache;
    // While KeepNumberCells: each produced line's template line, so that a page can tell the
    // cells filled from a numeric column or a total even without a display format.
    QHash<const TReportLine*, const TReportLine*> m_templateOf;
    QString m_reportFile;
    QPointer<QObject> m_prDBGrid;
    bool m_enableEdit = false;
    bool m_editEpt = false;
    bool m_addSpace = false;
    QStringList m_setData;
};

} // namespace karvell
