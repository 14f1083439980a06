// The runtime component: its properties, the template it loads into its own lines, the
// data-set registry, the variables and the SetData command lines.
#include "runtime/reportruntime.h"

#include <QFile>

#include "model/templatestream.h"
#include "platform/error.h"
#include "platform/fileopen.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "runtime/components.h"

namespace karvell {

namespace {
RuntimeUi* g_runtimeUi = nullptr;
} // namespace

RuntimeUi* RuntimeUi::Instance() {
    return g_runtimeUi;
}

void RuntimeUi::SetInstance(RuntimeUi* ui) {
    g_runtimeUi = ui;
}

TReportRunTime::TReportRunTime(QObject* owner) : QObject(owner) {}

TReportRunTime::~TReportRunTime() {
    FreePages();
    FreeDataSets();
    qDeleteAll(Variables);
    qDeleteAll(TemplateLines);
    // Between runs PageLines only refers to lines the run has already freed.
    PageLines.clear();
    qDeleteAll(CellTables);
}

void TReportRunTime::SetReportFile(const QString& fileName) {
    m_reportFile = fileName;
    if (!fileName.isEmpty()) LoadTemplate();
}

void TReportRunTime::SetSetData(const QStringList& lines) {
    m_setData = lines;
    RunSetDataLines(false, true);
}

void TReportRunTime::RunSetDataLines(bool disableControls, bool open) {
    // A copy: a line may run code that assigns SetData again.
    const QStringList lines = m_setData;
    for (const QString& line : lines)
        RunSetDataLine(Gbk::Encode(line), disableControls, open);
}

void TReportRunTime::LoadTemplate() {
    QFile file(m_reportFile);
    QString why;
    if (!OpenForReading(file, &why)) {
        Outcome.TemplateIssue = QStringLiteral("无法打开文件“%1”：%2").arg(m_reportFile, why);
        throw KarvellError(Outcome.TemplateIssue);
    }
    LoadTemplateFrom(file, m_reportFile);
}

void TReportRunTime::LoadTemplateFrom(QIODevice& device, const QString& name) {
    m_reportFile = name;
    TemplateData data;
    QString error;
    switch (ReadTemplate(device, 0, data, &error)) {
    case ReadStatus::BadMagic:
        // The template loaded before stays as it was, but is not printed for this file.
        Outcome.TemplateIssue =
            QStringLiteral("“%1”不是报表模板文件（打开报表错误）").arg(m_reportFile);
        Outcome.Note(QStringLiteral("打开报表错误"));
        return;
    case ReadStatus::Corrupt:
        // The reader gives all or nothing, so the old template is kept here as well.
        Outcome.TemplateIssue = QStringLiteral("模板文件“%1”已损坏：%2").arg(m_reportFile, error);
        throw KarvellError(Outcome.TemplateIssue);
    case ReadStatus::Ok:
        break;
    }
    Outcome.TemplateIssue.clear();

    qDeleteAll(TemplateLines);
    TemplateLines = data.TakeLines();
    const TemplateHeader& h = data.header;
    Zoom = h.Zoom;
    SetHeaderFields(*this, h);

    // Loading a template selects its paper for the printing that follows; without a printer
    // there is nothing to select (PrintPreview then says "未安装打印机").
    const TemplateTrailer& t = data.trailer;
    PaperSize = t.PaperSize;
    PaperOrientation = t.PaperOrientation;
    PaperLength = t.PaperLength;
    PaperWidth = t.PaperWidth;
    if (HasPrinter()) PutPaperIntoPrinter(*this);

    FooterLineIndex = t.FooterLineIndex;
    LayoutLines(TemplateLines);
}

void TReportRunTime::LayoutLines(const QList<TReportLine*>& lines) {
    LayoutLineList(lines, TopMarginPx);
}

void TReportRunTime::SetDataSet(const QByteArray& name, TDataSet* dataSet) {
    // No duplicate check: a newer registration of the same name wins in FindDataSet.
    DataSets.append(new TDatasetItem{dataSet, Gbk::Upper(name)});
}

TDataSet* TReportRunTime::FindDataSet(const QByteArray& upperName) const {
    for (qsizetype i = DataSets.size() - 1; i >= 0; --i)
        if (DataSets[i]->ItemName == upperName) return DataSets[i]->ItemDataSet;
    return nullptr;
}

void TReportRunTime::FreeDataSets() {
    qDeleteAll(DataSets);
    DataSets.clear();
}

void TReportRunTime::SetVarValue(const QByteArray& name, const QByteArray& value) {
    if (name.isEmpty()) return;
    const QByteArray key = Gbk::Upper(name);
    bool found = false;
    for (TVarTableItem* item : Variables) {
        if (item->ItemName == key) {
            item->ItemValue = value;
            found = true;
        }
    }
    if (!found) Variables.append(new TVarTableItem{key, value});
}

void TReportRunTime::RunSetDataLine(const QByteArray& line, bool disableControls, bool open) {
    // Command(First,Second): positions of the first "(", "," and ")", from 1, 0 when absent.
    const qsizetype p1 = line.indexOf('(') + 1;
    const qsizetype p2 = line.indexOf(',') + 1;
    const qsizetype p3 = line.indexOf(')') + 1;
    const QByteArray command = p1 > 0 ? line.left(p1 - 1) : QByteArray();
    const QByteArray first = (p1 > 0 && p2 > p1) ? line.mid(p1, p2 - p1 - 1) : QByteArray();
    QByteArray second;
    if (p2 == 0)
        second = p3 > 0 ? line.left(p3 - 1) : QByteArray(); // runs from the line's start
    else if (p3 > p2)
        second = line.mid(p2, p3 - p2 - 1);
    // Nothing is trimmed: blanks belong to the names.

    const QByteArray verb = Gbk::Upper(command);
    try {
        if (verb == "SETDATASET") {
            QObject* component = FindDataComponent(parent(), Gbk::Decode(second));
            auto* dataSet = qobject_cast<TDataSet*>(component);
            if (!dataSet) return;
            if (open) {
                if (disableControls) dataSet->DisableControls();
                dataSet->Open();
                SetDataSet(first, dataSet);
            } else {
                dataSet->Close();
            }
        } else if (verb == "SETVARVALUE" && open) {
            SetVarValue(first, second);
        }
    } catch (const std::exception&) {
        // Errors in a SetData line end the line silently; what was done stays done.
    }
}

QObject* TReportRunTime::FindDataComponent(QObject* owner, const QString& path) {
    const qsizetype dot = path.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        QObject* form = Components::FindForm(path.left(dot));
        if (!form) return nullptr;
        return Components::FindComponent(form, path.mid(dot + 1).left(255));
    }
    return Components::FindComponent(owner, path);
}

} // namespace karvell
