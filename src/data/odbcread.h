#pragma once
// Reading a query's result through unixODBC itself, on the connection the Qt ODBC driver opened.
// Qt's driver binds each column by the SQL type the driver reports, and the SQLite ODBC driver
// guesses that type from the first row: a column without declared type whose first value is
// an integer came back as a C integer, 2356.50 as 2356. Here every value is fetched as the
// character data the driver gives and kept as that text (pictures as bytes, valid dates as
// dates); the declared type only hints how a value is shown.
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>

#include "runtime/dataset.h"

namespace karvell {

struct OdbcResult {
    QVector<FieldDef> fields;
    TRowStore rows;
};

// Runs `sql` on the open QODBC connection `db`. With readRows false only the fields are taken.
// Answers false with the driver's message in *error.
bool OdbcRead(const QSqlDatabase& db, const QString& sql, bool readRows, OdbcResult* result,
              QString* error);

} // namespace karvell
