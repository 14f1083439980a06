#pragma once
// A private unixODBC configuration that names one SQLite database file as an ODBC data source,
// so the data source can be reached without touching the system's odbc.ini (tests, demo).
#include <QString>

namespace karvell {

// Writes odbcinst.ini (driver "SQLite3", the SQLite ODBC driver found on this machine) and
// odbc.ini (DSN -> Database=sqliteFile, absolute) into dir, replacing earlier files there.
// Answers false with a message when the driver or the folder is missing.
bool WriteOdbcConfig(const QString& dir, const QString& dsn, const QString& sqliteFile,
                     QString* error);
// Points unixODBC at the configuration in dir. unixODBC reads these variables when it loads
// its configuration, so call this before the first ODBC connection of the process.
void UseOdbcConfig(const QString& dir);
// The database file of a data source served by the SQLite ODBC driver; empty for any other
// driver or an unknown data source. That driver creates a missing file on connecting, so the
// file's existence is checked before.
QString OdbcSqliteDatabase(const QString& dsn);

} // namespace karvell
