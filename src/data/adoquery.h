#pragma once
// The ADO-style query component: a data set whose rows come from an SQL query run through
// Qt SQL. Opening reads every row into memory (a static cursor), so the record count is exact
// and navigation is free in both directions.
#include <QString>
#include <QStringList>
#include <optional>

#include "runtime/dataset.h"

namespace karvell {

// What a connection string names. "Provider=MSDASQL.1;Data Source=NAME;Password=..." is the
// ODBC data source NAME; "sqlite:PATH", a plain PATH (no "=") or a provider containing "SQLite"
// names a SQLite database file.
struct ConnectionSettings {
    enum class Kind { Odbc, Sqlite };
    Kind kind = Kind::Odbc;
    QString database; // DSN name or file path
    QString user;
    QString password;
};

// Parses a connection string (keys ignore letter case; values may be quoted). A given password
// override replaces the string's password.
ConnectionSettings ParseConnectionString(const QString& text,
                                         const std::optional<QString>& passwordOverride = {});
// The database file a connection string reads: a SQLite file, named directly or through the
// SQLite ODBC driver's data source; empty for any other data source.
QString ConnectionDatabaseFile(const QString& text);

class TADOQuery : public TDataSet {
    Q_OBJECT
    Q_PROPERTY(QString ConnectionString READ ConnectionString WRITE SetConnectionString)
    Q_PROPERTY(QStringList SQL READ SQL WRITE SetSQL)
public:
    explicit TADOQuery(QObject* parent = nullptr);

    QString ConnectionString() const { return m_connectionString; }
    // Changing the connection or the query text closes an open query.
    void SetConnectionString(const QString& text);
    QStringList SQL() const { return m_sql; }
    void SetSQL(const QStringList& lines);
    void AddSQL(const QString& line);

protected:
    void DoOpen() override;
    void DoClose() override;
    void DoUpdateFieldDefs() override;

private:
    // Runs the query; with readRows false only the field definitions are taken.
    void Run(bool readRows);

    QString m_connectionString;
    QStringList m_sql;
};

} // namespace karvell
