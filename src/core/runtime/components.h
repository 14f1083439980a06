#pragma once
// Finding forms, data modules and their components by name. Forms are the registered top-level
// windows and data modules; components are their descendants in the QObject tree. Names are
// objectNames compared without regard to letter case, as component names are on the platform.
#include <QList>
#include <QObject>
#include <QString>

namespace karvell::Components {

// Registers a form or data module; it leaves the registry by itself when destroyed.
void RegisterForm(QObject* form);
void UnregisterForm(QObject* form);
// The registered forms and data modules in the order they were registered.
QList<QObject*> Forms();
// The first registered form with this name, or nullptr.
QObject* FindForm(const QString& name);
// The owner's nearest descendant with this name (breadth first), or nullptr. The owner itself
// is not a candidate.
QObject* FindComponent(QObject* owner, const QString& name);

} // namespace karvell::Components
