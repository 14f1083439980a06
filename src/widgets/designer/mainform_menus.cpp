// The designer's main menu, tool bar and popup menu, built from tables: each control's name,
// caption, shortcut, hint and the command it runs. Several controls share one command.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "designicons.h"
#include "mainform.h"
#include "menutable.h"
#include "previewicons.h"

namespace karvell {
namespace {

using Handler = void (TMainForm::*)();

using MenuEntry = karvell::MenuEntry<TMainForm>;

const MenuEntry kFileMenu[] = {
    {"file_save", "「保存」", Qt::CTRL | Qt::Key_S, &TMainForm::file_saveClick, false, false},
    {},
    {"file_print_setup", "「页面设置...」", kNoKey, &TMainForm::file_print_setupClick, false,
     false},
    {},
    {"file_exit", "「退出」", Qt::ALT | Qt::Key_F4, &TMainForm::file_exitClick, false, false},
};

const MenuEntry kTableMenu[] = {
    {"table_insert", "「插入行」", kNoKey, &TMainForm::table_insertClick, false, false},
    {"table_add", "「添加行」", kNoKey, &TMainForm::table_addClick, false, false},
    {"table_delete", "「删除行」", kNoKey, &TMainForm::table_deleteClick, false, false},
    {},
    {"table_split", "「拆分单元格...」", kNoKey, &TMainForm::table_splitClick, false, false},
    {"table_combine", "「合并单元格」", kNoKey, &TMainForm::table_combineClick, false, false},
    {},
    {"table_font", "「字体...」", kNoKey, &TMainForm::table_fontClick, false, false},
    {"table_border", "「边框...」", kNoKey, &TMainForm::table_borderClick, false, false},
    {"table_color", "「颜色...」", kNoKey, &TMainForm::table_colorClick, false, false},
    {},
    {"table_image_add", "「填充图片」", kNoKey, &TMainForm::table_image_addClick, false, false},
    {"table_image_delete", "「清空图片」", kNoKey, &TMainForm::table_image_deleteClick, false,
     false},
    {"table_new", "「新建表格...」", kNoKey, nullptr, true, false},
    {},
    {"table_undo", "「撤销」", Qt::CTRL | Qt::Key_Z, &TMainForm::table_undoClick, false, false},
    {"table_redo", "「重做」", Qt::CTRL | Qt::Key_Y, &TMainForm::table_redoClick, false, false},
};

const MenuEntry kPopupMenu[] = {
    {"p_insertline", "〖插入行〗", kNoKey, &TMainForm::table_insertClick, false, false},
    {"p_addline", "〖添加行〗", kNoKey, &TMainForm::table_addClick, false, false},
    {"p_deleteline", "〖删除行〗", kNoKey, &TMainForm::table_deleteClick, false, false},
    {},
    {"p_splitcell", "〖拆分单元格...〗", kNoKey, &TMainForm::table_splitClick, false, false},
    {"p_combineline", "〖合并单元格〗", kNoKey, &TMainForm::table_combineClick, false, false},
    {},
    {"p_font", "〖字体...〗", kNoKey, &TMainForm::table_fontClick, false, false},
    {"p_border", "〖边框...〗", kNoKey, &TMainForm::table_borderClick, false, false},
    {"p_color", "〖颜色...〗", kNoKey, &TMainForm::table_colorClick, false, false},
    {},
    {"p_image_add", "〖填充图片〗", kNoKey, &TMainForm::table_image_addClick, false, false},
    {"p_image_delete", "〖清空图片〗", kNoKey, &TMainForm::table_image_deleteClick, false, false},
    {},
};

// One tool button; an entry without a name is a separator. Icons come from the preview's set
// where the preview has the same command, else from the designer's.
struct ToolEntry {
    const char* name;
    const char* caption;
    const char* hint;
    QIcon (*icon)();
    Handler handler;
};

template <PreviewIcon K> QIcon Preview() {
    return MakePreviewIcon(K);
}
template <DesignIcon K> QIcon Design() {
    return MakeDesignIcon(K);
}

const ToolEntry kToolBar[] = {
    {"save", "保存", "保存", Design<DesignIcon::Save>, &TMainForm::file_saveClick},
    {"printview", "设置", "页面设置", Preview<PreviewIcon::PrintSetup>,
     &TMainForm::file_print_setupClick},
    {},
    {"insertrow", "插入行", "", Preview<PreviewIcon::InsertRow>, &TMainForm::table_insertClick},
    {"addrow", "添加行", "", Preview<PreviewIcon::AddRow>, &TMainForm::table_addClick},
    {"deleterow", "删除行", "", Preview<PreviewIcon::DeleteRow>, &TMainForm::table_deleteClick},
    {},
    {"split", "拆分", "拆分单元格...", Design<DesignIcon::Split>, &TMainForm::table_splitClick},
    {"Combine", "合并", "合并单元格", Design<DesignIcon::Combine>, &TMainForm::table_combineClick},
    {},
    {"font", "字体", "字体...", Design<DesignIcon::Font>, &TMainForm::table_fontClick},
    {"border", "边框", "边框...", Design<DesignIcon::Border>, &TMainForm::table_borderClick},
    {"color", "颜色", "颜色...", Design<DesignIcon::Color>, &TMainForm::table_colorClick},
    {},
    {"image_add", "填图片", "", Design<DesignIcon::ImageAdd>, &TMainForm::table_image_addClick},
    {"image_delete", "清图片", "", Design<DesignIcon::ImageDelete>,
     &TMainForm::table_image_deleteClick},
    {},
    {"exit", "退出", "退出", Preview<PreviewIcon::Exit>, &TMainForm::file_exitClick},
};

} // namespace

void TMainForm::BuildMenus() {
    const auto fill = [this](QMenu* menu, const auto& table) { FillMenu(this, menu, table); };
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("〖文件〗"));
    fileMenu->setObjectName(QStringLiteral("file"));
    fill(fileMenu, kFileMenu);
    QMenu* tableMenu = menuBar()->addMenu(QStringLiteral("〖表格〗"));
    tableMenu->setObjectName(QStringLiteral("table"));
    fill(tableMenu, kTableMenu);
    file_save = fileMenu->findChild<QAction*>(QStringLiteral("file_save"));
    file_exit = fileMenu->findChild<QAction*>(QStringLiteral("file_exit"));
    table_undo = tableMenu->findChild<QAction*>(QStringLiteral("table_undo"));
    table_redo = tableMenu->findChild<QAction*>(QStringLiteral("table_redo"));
    table_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});

    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(32, 32));
    for (const ToolEntry& e : kToolBar) {
        if (!e.name) {
            ToolBar1->addSeparator();
            continue;
        }
        auto* button = new QToolButton(ToolBar1);
        button->setObjectName(QString::fromLatin1(e.name));
        button->setText(QString::fromUtf8(e.caption));
        button->setToolTip(QString::fromUtf8(e.hint));
        button->setIcon(e.icon());
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setMinimumWidth(48);
        ToolBar1->addWidget(button);
        const Handler handler = e.handler;
        connect(button, &QToolButton::clicked, this, [this, handler] { RunCommand(handler); });
    }

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    fill(PopupMenu1, kPopupMenu);
    BuildFieldCatalogue(PopupMenu1);
}

} // namespace karvell
