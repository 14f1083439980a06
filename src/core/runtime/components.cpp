#include "runtime/components.h"

#include <QList>
#include <QPointer>
#include <QQueue>

namespace karvell::Components {

namespace {

struct Entry {
    QObject* object;
    QPointer<QObject> guard;
    QMetaObject::Connection connection;
};

QList<Entry>& Registry() {
    static QList<Entry> entries;
    return entries;
}

bool SameName(const QObject* object, const QString& name) {
    return object->objectName().compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

void RegisterForm(QObject* form) {
    if (!form) return;
    for (const Entry& e : Registry())
        if (e.object == form && e.guard) return;
    Entry entry{form, form, {}};
    // The guard is already cleared when destroyed() is emitted, so the raw pointer identifies
    // the entry; it is never dereferenced.
    entry.connection =
        QObject::connect(form, &QObject::destroyed, [form](QObject*) { UnregisterForm(form); });
    Registry().append(entry);
}

void UnregisterForm(QObject* form) {
    QList<Entry>& entries = Registry();
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        if (entries[i].object == form || !entries[i].guard) {
            QObject::disconnect(entries[i].connection);
            entries.removeAt(i);
        }
    }
}

QList<QObject*> Forms() {
    QList<QObject*> forms;
    for (const Entry& e : Registry())
        if (e.guard) forms.append(e.guard);
    return forms;
}

QObject* FindForm(const QString& name) {
    if (name.isEmpty()) return nullptr;
    for (const Entry& e : Registry())
        if (e.guard && SameName(e.guard, name)) return e.guard;
    return nullptr;
}

QObject* FindComponent(QObject* owner, const QString& name) {
    if (!owner || name.isEmpty()) return nullptr;
    QQueue<QObject*> pending;
    for (QObject* child : owner->children())
        pending.enqueue(child);
    while (!pending.isEmpty()) {
        QObject* object = pending.dequeue();
        if (SameName(object, name)) return object;
        for (QObject* child : object->children())
            pending.enqueue(child);
    }
    return nullptr;
}

} // namespace karvell::Components
