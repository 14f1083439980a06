#pragma once
// The module's work on templates and pages, in plain C++: each call runs without the Python
// interpreter lock, one at a time (the runtime's printer, message and date-format settings
// are process-wide), and turns every fault into KarvellError with the program's message.
#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

#include "output/numbercells.h"
#include "pyrows.h"

namespace karvell::python {

// Checks that `bytes` are a template the runtime loads; `name` names it in messages.
void CheckTemplate(const QByteArray& bytes, const QString& name);
// The template as `karvell dump` prints it: the grid's document after loading, as JSON text.
QByteArray DumpTemplate(const QByteArray& bytes, const QString& name);

struct ExpandRequest {
    QByteArray templateBytes;
    QString templateName;
    QVector<RowTable> tables;
    QVector<QPair<QString, QString>> variables;
    bool addSpace = false;
};

// The pages of one complete expansion. A run that cannot complete throws instead, so there
// are never pages that lack records or carry wrong totals.
class Pages {
public:
    ~Pages();
    int PageCount() const { return int(m_pages.size()); }
    // What the run noticed without failing (a number too wide for its cell, shown as "#").
    QStringList Warnings() const { return m_warnings; }
    // Written whole or not at all (an atomic save); the file name without its suffix is the
    // document's title.
    void SavePdf(const QString& path) const;
    void SaveXlsx(const QString& path) const;

    static std::unique_ptr<Pages> Expand(const ExpandRequest& request);

private:
    Pages() = default;
    void RequirePages() const;
    QList<QBuffer*> m_pages; // owned
    QList<TPageNumberCells> m_numberCells;
    QStringList m_warnings;
};

} // namespace karvell::python
