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
#include "previewicons.h"

namespace karvell {
namespace {

using Handler = void (TMainForm::*)();

// One menu item; an entry without a name is a separator. A null handler leaves the item
// without an action; `hidden` items exist but are not shown.
struct MenuEntry {
    const char* name;
    const char* caption;
    QKeyCombination shortcut;
    Handler handler;
    bool hidden;
};

constexpr QKeyCombination kNoKey{};

const MenuEntry kFileMenu[] = {
    {"file_save", "「保存」", Qt::CTRL | Qt::Key_S, &TMainForm::file_saveClick, false},        {},
    {"file_print_setup", "「页面设置...」", kNoKey, &TMainForm::file_print_setupClick, false}, {},
    {"file_exit", "「退出」", Qt::ALT | Qt::Key_F4, &TMainForm::file_exitClick, false},
};

const MenuEntry kTableMenu[] = {
    {"table_insert", "「插入行」", kNoKey, &TMainForm::table_insertClick, false},
    {"table_add", "「添加行」", kNoKey, &TMainForm::table_addClick, false},
    {"table_delete", "「删除行」", kNoKey, &TMainForm::table_deleteClick, false},
    {},
    {"table_split", "「拆分单元格...」", kNoKey, &TMainForm::table_splitClick, false},
    {"table_combine", "「合并单元格」", kNoKey, &TMainForm::table_combineClick, false},
    {},
    {"table_font", "「字体...」", kNoKey, &TMainForm::table_fontClick, false},
    {"table_border", "「边框...」", kNoKey, &TMainForm::table_borderClick, false},
    {"table_color", "「颜色...」", kNoKey, &TMainForm::table_colorClick, false},
    {},
    {"table_image_add", "「填充图片」", kNoKey, &TMainForm::table_image_addClick, false},
    {"table_image_delete", "「清空图片」", kNoKey, &TMainForm::table_image_deleteClick, false},
    {"table_new", "「新建表格...」", kNoKey, nullptr, true},
};

const MenuEntry kPopupMenu[] = {
    {"p_insertline", "〖插入行〗", kNoKey, &TMainForm::table_insertClick, false},
    {"p_addline", "〖添加行〗", kNoKey, &TMainForm::table_addClick, false},
    {"p_deleteline", "〖删除行〗", kNoKey, &TMainForm::table_deleteClick, false},
    {},
    {"p_splitcell", "〖拆分单元格...〗", kNoKey, &TMainForm::table_splitClick, false},
    {"p_combineline", "〖合并单元格〗", kNoKey, &TMainForm::table_combineClick, false},
    {},
    {"p_font", "〖字体...〗", kNoKey, &TMainForm::table_fontClick, false},
    {"p_border", "〖边框...〗", kNoKey, &TMainForm::table_borderClick, false},
    {"p_color", "〖颜色...〗", kNoKey, &TMainForm::table_colorClick, false},
    {},
    {"p_image_add", "〖填充图片〗", kNoKey, &TMainForm::table_image_addClick, false},
    {"p_image_delete", "〖清空图片〗", kNoKey, &TMainForm::table_image_deleteClick, false},
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
    auto fill = [this](QMenu* menu, const auto& table) {
        for (const MenuEntry& e : table) {
            if (!e.name) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(e.caption));
            action->setObjectName(QString::fromLatin1(e.name));
            if (e.shortcut != kNoKey) action->setShortcut(QKeySequence(e.shortcut));
            action->setVisible(!e.hidden);
            if (const Handler handler = e.handler)
                connect(action, &QAction::triggered, this,
                        [this, handler] { RunCommand(handler); });
        }
    };
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("〖文件〗"));
    fileMenu->setObjectName(QStringLiteral("file"));
    fill(fileMenu, kFileMenu);
    QMenu* tableMenu = menuBar()->addMenu(QStringLiteral("〖表格〗"));
    tableMenu->setObjectName(QStringLiteral("table"));
    fill(tableMenu, kTableMenu);
    file_save = fileMenu->findChild<QAction*>(QStringLiteral("file_save"));
    file_exit = fileMenu->findChild<QAction*>(QStringLiteral("file_exit"));

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
