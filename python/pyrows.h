#pragma once
// Python rows as the runtime's data sets. The conversion runs while the interpreter lock is
// held and yields plain C++ tables, so the expansion itself can run without it. Values keep
// their exact worth: int and decimal.Decimal become number text the runtime reads digit by
// digit (a value that reads as a number is a number), float stays a double, date and datetime
// become dates, bytes a large object (a picture), None null.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <pybind11/pybind11.h>

#include "runtime/dataset.h"

namespace karvell::python {

struct RowTable {
    QString name;
    QVector<FieldDef> fields;
    QVector<QVector<QVariant>> rows;
    QVector<QVector<bool>> present; // which fields each row gave
};

// `datasets`: a dict of data-set name to a sequence of dicts (field name to value). A wrong
// type raises TypeError naming the data set, the row (from 0) and the field.
QVector<RowTable> ConvertDataSets(const pybind11::handle& datasets);
// `variables`: a dict of name to str, int, float, decimal.Decimal or None (empty).
QVector<QPair<QString, QString>> ConvertVariables(const pybind11::handle& variables);

// The rows as a data set, owned by `owner`, opened. Throws KarvellError naming the data set,
// the row and the field when a field of `required` (the template's) is missing from a row.
TDataSet* MakeDataSet(const RowTable& table, const QStringList& required, QObject* owner);

} // namespace karvell::python
