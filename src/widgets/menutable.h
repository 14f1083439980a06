#pragma once
// Menus built from tables: each item's object name, caption, shortcut and the window command it
// runs. The designer and the template editor build their menus and popups with it.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QString>

namespace karvell {

inline constexpr QKeyCombination kNoKey{};

// One menu item of a window `Form`; an entry without a name is a separator, one without a
// handler has no action; `hidden` items exist but are not shown; `submenu` makes an empty
// submenu of that name (filled by the window).
template <typename Form> struct MenuEntry {
    const char* name;
    const char* caption;
    QKeyCombination shortcut;
    void (Form::*handler)();
    bool hidden;
    bool submenu;
};

// Appends the table's items to `menu`; a triggered item runs form->RunCommand(handler).
template <typename Form, std::size_t N>
void FillMenu(Form* form, QMenu* menu, const MenuEntry<Form> (&table)[N]) {
    for (const MenuEntry<Form>& e : table) {
        if (!e.name) {
            menu->addSeparator();
            continue;
        }
        if (e.submenu) {
            menu->addMenu(QString::fromUtf8(e.caption))->setObjectName(QString::fromLatin1(e.name));
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(e.caption));
        action->setObjectName(QString::fromLatin1(e.name));
        if (e.shortcut != kNoKey) action->setShortcut(QKeySequence(e.shortcut));
        action->setVisible(!e.hidden);
        if (const auto handler = e.handler)
            QObject::connect(action, &QAction::triggered, form,
                             [form, handler] { form->RunCommand(handler); });
    }
}

} // namespace karvell
