// The template editor's main menu, popup menu, tool bar and formatting bar, built from tables:
// each control's name, caption, shortcut, hint and the handler it runs. Several controls share
// one handler.
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "commandguard.h"
#include "designicons.h"
#include "editor/editoricons.h"
#include "editor/karvellform.h"
#include "format/amountformat.h"
#include "formatbar.h"
#include "menutable.h"
#include "previewicons.h"

namespace karvell {
namespace {

// The rows of an editable box's list as tall as those of another box's list: the style draws
// editable boxes' lists as item views and the others as menus, with different row heights.
class TRowsLike : public QStyledItemDelegate {
public:
    TRowsLike(QComboBox* like, QObject* parent) : QStyledItemDelegate(parent), m_like(like) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (m_like && m_like->count() > 0)
            size.setHeight(std::max(size.height(), m_like->view()->sizeHintForRow(0)));
        return size;
    }

private:
    QPointer<QComboBox> m_like;
};

using Handler = void (TKarvellForm::*)();

using MenuEntry = karvell::MenuEntry<TKarvellForm>;

const MenuEntry kFileMenu[] = {
    {"FileOpen", "打开(&O)", Qt::CTRL | Qt::Key_O, &TKarvellForm::FileOpenClick, false, false},
    {"FileClose", "关闭(&C)", kNoKey, &TKarvellForm::FileCloseClick, false, false},
    {"N29", "保存", Qt::Key_F2, &TKarvellForm::N29Click, false, false},
    {"FileSave", "保存为(&S)", Qt::CTRL | Qt::Key_S, &TKarvellForm::FileSaveClick, false, false},
    {"file1", "最近设计的文件", kNoKey, nullptr, false, true},
    {},
    {"MarginSetting", "报表属性设置(&M)", kNoKey, &TKarvellForm::MarginSettingClick, false, false},
    {},
    {"PrintPreivew", "打印预览", kNoKey, nullptr, true, false},
    {"PrintIt", "打印", Qt::CTRL | Qt::Key_P, &TKarvellForm::PrintItClick, false, false},
    {},
    {"FileExit", "退出(&X)", Qt::ALT | Qt::Key_F4, &TKarvellForm::FileExitClick, false, false},
};

const MenuEntry kTableMenu[] = {
    {"NewTable", "新建表格(&N)", Qt::CTRL | Qt::Key_N, &TKarvellForm::NewTableClick, false, false},
    {},
    {"InsertLine", "插入行(&I)", kNoKey, &TKarvellForm::InsertLineClick, false, false},
    {"AddLine", "添加行(&A)", kNoKey, &TKarvellForm::AddLineClick, false, false},
    {"DeleteLine", "删除行(&D)", kNoKey, &TKarvellForm::DeleteLineClick, false, false},
    {},
    {"InsertCell", "插入单元格", kNoKey, &TKarvellForm::InsertCellClick, false, false},
    {"AddCell", "添加单元格", kNoKey, &TKarvellForm::AddCellClick, false, false},
    {"DeleteCell", "删除单元格", kNoKey, &TKarvellForm::DeleteCellClick, false, false},
    {},
    {"CombineCells", "合并单元格(&C)", kNoKey, &TKarvellForm::CombineCellsClick, false, false},
    {"VSplitCell", "纵向拆分单元格", kNoKey, &TKarvellForm::VSplitCellClick, false, false},
    {"SplitCell", "拆分单元格(&L)", kNoKey, &TKarvellForm::SplitCellClick, false, false},
    {},
    {"CellBorderLine", "边框线", kNoKey, &TKarvellForm::CellBorderLineClick, false, false},
    {"CellDiagonalLine", "斜线", kNoKey, &TKarvellForm::CellDiagonalLineClick, false, false},
    {"CellFont", "字体...", kNoKey, &TKarvellForm::CellFontClick, false, false},
    {"CellColor", "颜色...", kNoKey, &TKarvellForm::CellColorClick, false, false},
    {},
    {"EditUndo", "撤销(&U)", Qt::CTRL | Qt::Key_Z, &TKarvellForm::EditUndoClick, false, false},
    {"EditRedo", "重做(&R)", Qt::CTRL | Qt::Key_Y, &TKarvellForm::EditRedoClick, false, false},
};

const MenuEntry kHelpMenu[] = {
    {"N33", "关于Karvell", kNoKey, &TKarvellForm::N33Click, false, false},
};

const MenuEntry kPopupMenu[] = {
    {"P_InsertLine", "插入行", kNoKey, &TKarvellForm::InsertLineClick, false, false},
    {"P_AddLine", "添加行", kNoKey, &TKarvellForm::AddLineClick, false, false},
    {"P_DeleteLine", "删除行", kNoKey, &TKarvellForm::DeleteLineClick, false, false},
    {},
    {"P_InsertCell", "插入单元格", kNoKey, &TKarvellForm::InsertCellClick, false, false},
    {"P_AddCell", "添加单元格", kNoKey, &TKarvellForm::AddCellClick, false, false},
    {"P_DeleteCell", "删除单元格", kNoKey, &TKarvellForm::DeleteCellClick, false, false},
    {},
    {"P_CombineCells", "合并单元格", kNoKey, &TKarvellForm::CombineCellsClick, false, false},
    {"P_VSplitCell", "拆分纵向单元格", kNoKey, &TKarvellForm::VSplitCellClick, false, false},
    {"P_SplitCell", "拆分单元格", kNoKey, &TKarvellForm::SplitCellClick, false, false},
    {},
    {"P_CellBorderLine", "边框线", kNoKey, &TKarvellForm::CellBorderLineClick, false, false},
    {"P_CellDiagonalLine", "斜线", kNoKey, &TKarvellForm::CellDiagonalLineClick, false, false},
    {"P_CellFont", "字体...", kNoKey, &TKarvellForm::CellFontClick, false, false},
    {"P_CellColor", "颜色...", kNoKey, &TKarvellForm::CellColorClick, false, false},
};

// One tool button of Panel3: a picture, or a character where the design shows one. An entry
// without a name is a gap between groups.
struct ToolEntry {
    const char* name;
    const char* hint;
    const char* character;
    QIcon (*icon)();
    Handler handler;
};

template <EditorIcon K> QIcon Editor() {
    return MakeEditorIcon(K);
}
template <PreviewIcon K> QIcon Preview() {
    return MakePreviewIcon(K);
}
template <DesignIcon K> QIcon Design() {
    return MakeDesignIcon(K);
}

const ToolEntry kToolBar[] = {
    {"SpeedButton2", "打开report文件", nullptr, Editor<EditorIcon::Open>,
     &TKarvellForm::FileOpenClick},
    {"SpeedButton23", "新建表格", nullptr, Editor<EditorIcon::NewTable>,
     &TKarvellForm::NewTableClick},
    {"SpeedButton5", "关闭当前文件", nullptr, Editor<EditorIcon::Close>,
     &TKarvellForm::FileCloseClick},
    {"SpeedButton3", "保存", nullptr, Design<DesignIcon::Save>, &TKarvellForm::N29Click},
    {},
    {"SpeedButton6", "打印设置", nullptr, Preview<PreviewIcon::PrintSetup>,
     &TKarvellForm::MarginSettingClick},
    {"SpeedButton4", "打印预览", nullptr, Editor<EditorIcon::Preview>,
     &TKarvellForm::SpeedButton4Click},
    {"SpeedButton11", "打印", nullptr, Preview<PreviewIcon::Print>, &TKarvellForm::PrintItClick},
    {},
    {"SpeedButton24", "插入一行表格", nullptr, Preview<PreviewIcon::InsertRow>,
     &TKarvellForm::InsertLineClick},
    {"SpeedButton25", "添加一行表格", nullptr, Preview<PreviewIcon::AddRow>,
     &TKarvellForm::AddLineClick},
    {"SpeedButton26", "删除一行表格", nullptr, Preview<PreviewIcon::DeleteRow>,
     &TKarvellForm::DeleteLineClick},
    {},
    {"SpeedButton28", "添加单元格", nullptr, Editor<EditorIcon::AddCell>,
     &TKarvellForm::AddCellClick},
    {"SpeedButton17", "插入一个单元格", nullptr, Editor<EditorIcon::InsertCell>,
     &TKarvellForm::InsertCellClick},
    {"SpeedButton29", "删除单元格", nullptr, Editor<EditorIcon::DeleteCell>,
     &TKarvellForm::DeleteCellClick},
    {"SpeedButton1", "合并单元格", "合", nullptr, &TKarvellForm::CombineCellsClick},
    {"SpeedButton13", "纵向拆分单元格", "拆", nullptr, &TKarvellForm::VSplitCellClick},
    {"SpeedButton14", "拆分单元格", "拆", nullptr, &TKarvellForm::SplitCellClick},
    {},
    {"SpeedButton30", "单元格边框设置", nullptr, Design<DesignIcon::Border>,
     &TKarvellForm::CellBorderLineClick},
    {"SpeedButton31", "单元格斜线设置", nullptr, Editor<EditorIcon::Diagonal>,
     &TKarvellForm::CellDiagonalLineClick},
    {"SpeedButton32", "字体设置", nullptr, Design<DesignIcon::Font>, &TKarvellForm::CellFontClick},
    {"SpeedButton33", "单元格颜色设置", nullptr, Design<DesignIcon::Color>,
     &TKarvellForm::CellColorClick},
    {},
    {"SpeedButton8", "宿放为窗口大小", nullptr, Preview<PreviewIcon::FitSize>,
     &TKarvellForm::SpeedButton8Click},
    {"SpeedButton12", nullptr, nullptr, Preview<PreviewIcon::ZoomIn>,
     &TKarvellForm::SpeedButton12Click},
    {"SpeedButton15", nullptr, nullptr, Preview<PreviewIcon::ZoomOut>,
     &TKarvellForm::SpeedButton15Click},
};

} // namespace

QStringList TKarvellForm::NumberFormats() {
    QStringList items = {QStringLiteral("0"),      QStringLiteral("0.0"),
                         QStringLiteral("0.00"),   QStringLiteral("0,.00"),
                         QStringLiteral("0,.000"), QStringLiteral("0,.0000")};
    items += ExtraDisplayFormats(); // upper-case amounts and digit columns
    return items;
}

QStringList TKarvellForm::ReportFunctions() {
    QStringList items = {QStringLiteral("SumPage()"), QStringLiteral("SumAll()"),
                         QStringLiteral("PageNum"),   QStringLiteral("PageNum/"),
                         QStringLiteral("PageNum-"),  QStringLiteral("Date"),
                         QStringLiteral("Time"),      QStringLiteral("DateTime")};
    items += ExtraFunctions(); // carried totals
    return items;
}

void TKarvellForm::BuildMenus() {
    const auto fill = [this](QMenu* menu, const auto& table) { FillMenu(this, menu, table); };
    T1 = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    T1->setObjectName(QStringLiteral("T1"));
    fill(T1, kFileMenu);
    file1 = T1->findChild<QMenu*>(QStringLiteral("file1"));
    connect(T1, &QMenu::aboutToShow, this, [this] { RunCommand(&TKarvellForm::T1Click); });
    T2 = menuBar()->addMenu(QStringLiteral("表格(&T)"));
    T2->setObjectName(QStringLiteral("T2"));
    fill(T2, kTableMenu);
    EditUndo = T2->findChild<QAction*>(QStringLiteral("EditUndo"));
    EditRedo = T2->findChild<QAction*>(QStringLiteral("EditRedo"));
    EditRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    UpdateUndoItems();
    N30 = menuBar()->addMenu(QStringLiteral("帮助&H)"));
    N30->setObjectName(QStringLiteral("N30"));
    fill(N30, kHelpMenu);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    fill(PopupMenu1, kPopupMenu);
}

void TKarvellForm::BuildToolBar() {
    Panel3 = addToolBar(QStringLiteral("Panel3"));
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setMovable(false);
    Panel3->setFloatable(false);
    Panel3->setIconSize(QSize(24, 24));
    Panel3->setFixedHeight(31);
    for (const ToolEntry& e : kToolBar) {
        if (!e.name) {
            Panel3->addSeparator();
            continue;
        }
        auto* button = new QToolButton(Panel3);
        button->setObjectName(QString::fromLatin1(e.name));
        if (e.hint) button->setToolTip(QString::fromUtf8(e.hint));
        // Screen readers say the hint; the zoom buttons have none in the design: a name of
        // their own, no hint added.
        if (e.hint)
            button->setAccessibleName(QString::fromUtf8(e.hint));
        else if (e.handler == &TKarvellForm::SpeedButton12Click)
            button->setAccessibleName(QStringLiteral("放大"));
        else if (e.handler == &TKarvellForm::SpeedButton15Click)
            button->setAccessibleName(QStringLiteral("缩小"));
        if (e.character)
            button->setText(QString::fromUtf8(e.character));
        else
            button->setIcon(e.icon());
        button->setFixedSize(26, 26);
        button->setAutoRaise(true);
        Panel3->addWidget(button);
        const Handler handler = e.handler;
        connect(button, &QToolButton::clicked, this, [this, handler] { RunCommand(handler); });
    }
    Panel3->addSeparator();
    auto* label = new QLabel(QStringLiteral("数据表:"), Panel3);
    label->setObjectName(QStringLiteral("Label3"));
    Panel3->addWidget(label);
    ComboBox1 = new QComboBox(Panel3);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMaxVisibleItems(15);
    ComboBox1->setMinimumContentsLength(16);
    Panel3->addWidget(ComboBox1);
    connect(ComboBox1, &QComboBox::activated, this,
            [this](int index) { RunGuarded([&] { ComboBox1Change(index); }); });
}

void TKarvellForm::BuildFormatBar() {
    Panel4 = new TFormatBar(this);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFloatable(false);
    Panel4->setFixedHeight(32);
    addToolBar(Panel4);
    fontbox = Panel4->fontbox;
    fontsize = Panel4->fontsize;
    bold = Panel4->bold;
    italic = Panel4->italic;
    underline = Panel4->underline;
    left1 = Panel4->left;
    center1 = Panel4->center;
    right1 = Panel4->right;
    top1 = Panel4->top;
    medium1 = Panel4->medium;
    bottom1 = Panel4->bottom;
    left1->setObjectName(QStringLiteral("left1"));
    center1->setObjectName(QStringLiteral("center1"));
    right1->setObjectName(QStringLiteral("right1"));
    top1->setObjectName(QStringLiteral("top1"));
    medium1->setObjectName(QStringLiteral("medium1"));
    bottom1->setObjectName(QStringLiteral("bottom1"));
    connect(Panel4, &TFormatBar::FontChanged, this,
            [this] { RunCommand(&TKarvellForm::fontboxChange); });
    connect(Panel4, &TFormatBar::AlignClicked, this,
            [this] { RunCommand(&TKarvellForm::left1Click); });

    Panel4->addSeparator();
    auto* label1 = new QLabel(QStringLiteral("数值格式:"), Panel4);
    label1->setObjectName(QStringLiteral("Label1"));
    Panel4->addWidget(label1);
    CellDispFormt = new QComboBox(Panel4);
    CellDispFormt->setObjectName(QStringLiteral("CellDispFormt"));
    CellDispFormt->setEditable(true);
    CellDispFormt->setInsertPolicy(QComboBox::NoInsert);
    CellDispFormt->setMinimumContentsLength(10);
    CellDispFormt->addItems(NumberFormats());
    CellDispFormt->setCurrentIndex(-1);
    Panel4->addWidget(CellDispFormt);
    connect(CellDispFormt, &QComboBox::activated, this,
            [this](int index) { RunRecorded([&] { CellDispFormtChange(index); }); });
    // Typing is quiet (nothing may open a box from inside the field's text change: an input
    // method commits again when the focus moves); Enter applies a typed format as a picked
    // item would, one undo step. Text equal to an item has been applied as that item.
    connect(CellDispFormt->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (CellDispFormt->findText(CellDispFormt->currentText()) < 0)
            RunRecorded([&] { CellDispFormtChange(-1); });
    });

    auto* label2 = new QLabel(QStringLiteral("变量与函数:"), Panel4);
    label2->setObjectName(QStringLiteral("Label2"));
    Panel4->addWidget(label2);
    Lsum = new QComboBox(Panel4);
    Lsum->setObjectName(QStringLiteral("Lsum"));
    Lsum->addItems(ReportFunctions());
    Lsum->setCurrentIndex(-1);
    CellDispFormt->setItemDelegate(new TRowsLike(Lsum, CellDispFormt));
    Lsum->setMinimumContentsLength(10);
    Lsum->setStyleSheet(QStringLiteral("QComboBox { color: red; }"));
    Panel4->addWidget(Lsum);
    connect(Lsum, &QComboBox::activated, this,
            [this](int index) { RunRecorded([&] { LsumChange(index); }); });

    Panel4->addSeparator();
    const struct {
        const char* name;
        const char* caption;
        Handler handler;
    } buttons[] = {{"SpeedButton10", "填图片", &TKarvellForm::SpeedButton10Click},
                   {"SpeedButton16", "清图片", &TKarvellForm::SpeedButton16Click},
                   {"SpeedButton7", "退出", &TKarvellForm::SpeedButton7Click}};
    for (const auto& b : buttons) {
        auto* button = new QToolButton(Panel4);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setText(QString::fromUtf8(b.caption));
        button->setAutoRaise(true);
        Panel4->addWidget(button);
        const Handler handler = b.handler;
        connect(button, &QToolButton::clicked, this, [this, handler] { RunCommand(handler); });
    }
}

} // namespace karvell
