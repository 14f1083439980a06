// The template editor's data sets: the data-set box filled from the application's forms and
// data modules, a floating field window per choice, and dropping a field into a cell.
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include "editor/fieldmime.h"
#include "editor/karvellform.h"
#include "editorstate/editorview.h"
#include "model/gridmouse.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "reportcontrol.h"
#include "runtime/components.h"
#include "runtime/dataset.h"
#include "runtime/reportruntime.h"

namespace karvell {
namespace {

// "form.component" for every data set a form owns.
void AddDataSets(QComboBox* box, QObject* form) {
    if (form->objectName().isEmpty()) return;
    for (const TDataSet* dataSet : form->findChildren<TDataSet*>()) {
        if (dataSet->objectName().isEmpty()) continue;
        box->addItem(form->objectName() + u'.' + dataSet->objectName());
    }
}

} // namespace

void TKarvellForm::FillDataSetBox() {
    ComboBox1->clear();
    const QList<QObject*> forms = Components::Forms();
    // The forms first (windows), then the data modules.
    for (QObject* form : forms)
        if (form->isWidgetType()) AddDataSets(ComboBox1, form);
    for (QObject* form : forms)
        if (!form->isWidgetType()) AddDataSets(ComboBox1, form);
    ComboBox1->setCurrentIndex(-1);
}

void TKarvellForm::ComboBox1Change(int index) {
    const QString entry = index >= 0 ? ComboBox1->itemText(index) : QString();
    if (entry.isEmpty()) return;

    auto* window = new QWidget(this, Qt::Tool);
    window->setObjectName(QStringLiteral("FieldWindow%1").arg(FieldWindows.size() + 1));
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    // The table's name inside the window too: its 120 px title bar cuts it.
    auto* name = new QLabel(entry, window);
    name->setObjectName(QStringLiteral("TableName"));
    name->setWordWrap(true);
    name->setToolTip(entry);
    layout->addWidget(name);
    auto* list = new TFieldList(window);
    list->setObjectName(QStringLiteral("FieldList"));
    layout->addWidget(list, 1);
    window->resize(FIELD_WINDOW_WIDTH, FIELD_WINDOW_HEIGHT);
    // The rows of windows start below the menu and the bars, not over them.
    const QWidget* work = centralWidget();
    const QPoint origin = work ? work->mapToGlobal(QPoint(0, 0)) : mapToGlobal(QPoint(0, 0));
    window->move(origin + TakeFieldWindowSlot(FieldWindowColumn, FieldWindowRow));
    window->setWindowTitle(QStringLiteral("表名:") + entry);
    FieldWindows.append(window);
    ReportSaved = false;
    window->show();

    QStringList names;
    bool listed = false;
    try {
        auto* dataSet =
            qobject_cast<TDataSet*>(TReportRunTime::FindDataComponent(m_owner.data(), entry));
        if (dataSet) {
            // A closed data set lists its field definitions.
            if (!dataSet->Active()) dataSet->UpdateFieldDefs();
            names = dataSet->FieldNames();
            listed = true;
        }
    } catch (...) {
        listed = false;
    }
    if (!listed) {
        ShowMessage(ApplicationTitle(), QStringLiteral("此表打不开或属性设置不正确"), MsgIcon::None,
                    MsgButtons::Ok);
        return;
    }
    list->addItems(names);
}

void TKarvellForm::ClickCell(QPoint docPos) {
    // The grid's own rules for a plain left click: on a zoomed grid it only returns to 100 %.
    TGridMouse& mouse = ReportControl1->Mouse();
    if (mouse.LeftPress(docPos, MK_LBUTTON) != PressOutcome::ZoomRestored) mouse.Release();
    SyncBar();
    ReportControl1MouseUp();
}

void TKarvellForm::ReportControl1DragDrop(const QString& fieldName, QPoint windowPos) {
    TReportControl* grid = ReportControl1;
    grid->CancelEdit();
    grid->LastSelectedCell = nullptr;
    // The drop point in document pixels; a zoomed grid selects nothing anyway.
    const QPoint docPos =
        grid->Zoom > 0 ? QPoint(windowPos.x() * 100 / grid->Zoom, windowPos.y() * 100 / grid->Zoom)
                       : windowPos;
    ClickCell(docPos);
    if (!grid->LastSelectedCell) return;
    TReportCell* cell = grid->LastSelectedCell;
    cell->SetCellText(QByteArray("#T1.") + Gbk::Encode(fieldName));
    grid->UpdateLines();
    ReportSaved = false;
    ClickCell(docPos);
}

} // namespace karvell
