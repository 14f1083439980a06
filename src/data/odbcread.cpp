#include "odbcread.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDriver>
#include <QStringList>
#include <QTime>
#include <algorithm>
#include <iterator>
#include <memory>
#include <sql.h>
#include <sqlext.h>

namespace karvell {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is UTF-16");

const char16_t* Utf16(const QString& text) {
    return reinterpret_cast<const char16_t*>(text.utf16());
}

QString FromWide(const SQLWCHAR* text, qsizetype units) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), units);
}

// The driver's diagnostic messages of a handle, joined.
QString Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    QStringList messages;
    for (SQLSMALLINT i = 1; i <= 5; ++i) {
        SQLWCHAR state[6] = {};
        SQLWCHAR text[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(type, handle, i, state, &native, text,
                                            SQLSMALLINT(std::size(text)), &length);
        if (!SQL_SUCCEEDED(rc)) break;
        messages << FromWide(text, std::clamp<qsizetype>(length, 0, std::size(text) - 1));
    }
    return messages.isEmpty() ? QStringLiteral("ODBC 驱动报告错误")
                              : messages.join(QLatin1Char(' '));
}

// Declared type names that hold numbers, and those that hold text.
QString BaseTypeName(const QString& typeName) {
    QString base = typeName.trimmed().toLower();
    base = base.left(base.indexOf(QLatin1Char('('))).trimmed();
    return base.section(QLatin1Char(' '), 0, 0);
}

bool IsNumericTypeName(const QString& base) {
    static const QStringList numeric = {
        QStringLiteral("int"),     QStringLiteral("integer"),    QStringLiteral("smallint"),
        QStringLiteral("tinyint"), QStringLiteral("bigint"),     QStringLiteral("mediumint"),
        QStringLiteral("decimal"), QStringLiteral("numeric"),    QStringLiteral("number"),
        QStringLiteral("real"),    QStringLiteral("float"),      QStringLiteral("double"),
        QStringLiteral("money"),   QStringLiteral("smallmoney"), QStringLiteral("currency"),
        QStringLiteral("int2"),    QStringLiteral("int4"),       QStringLiteral("int8"),
        QStringLiteral("float4"),  QStringLiteral("float8"),     QStringLiteral("dec")};
    return numeric.contains(base);
}

bool IsTextTypeName(const QString& base) {
    static const QStringList text = {
        QStringLiteral("char"),     QStringLiteral("varchar"),  QStringLiteral("text"),
        QStringLiteral("nchar"),    QStringLiteral("nvarchar"), QStringLiteral("ntext"),
        QStringLiteral("clob"),     QStringLiteral("string"),   QStringLiteral("character"),
        QStringLiteral("bpchar"),   QStringLiteral("name"),     QStringLiteral("longvarchar"),
        QStringLiteral("wvarchar"), QStringLiteral("wchar"),    QStringLiteral("wlongvarchar")};
    return text.contains(base);
}

enum class Column { Text, Number, Binary, Bool, Date, DateTime, Time, Guess };

Column ColumnOf(SQLSMALLINT sqlType, const QString& typeName) {
    switch (sqlType) {
    case SQL_BIT:
        return Column::Bool;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return Column::Binary;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return Column::Date;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return Column::DateTime;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return Column::Time;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return Column::Number;
    default:
        break;
    }
    // Character data: some drivers (the SQLite one) report numeric columns of types they do not
    // know as text; the type name tells, and a name neither numeric nor text is left to the
    // values.
    const QString base = BaseTypeName(typeName);
    if (IsNumericTypeName(base)) return Column::Number;
    if (base.isEmpty() || IsTextTypeName(base))
        return base.isEmpty() ? Column::Guess : Column::Text;
    return Column::Guess;
}

// One column's value of the current row: the driver's character data (bytes for binary
// columns), fetched in parts so any length arrives whole; null as an invalid variant.
bool FetchValue(SQLHSTMT stmt, SQLUSMALLINT column, bool binary, QVariant* out) {
    const SQLSMALLINT cType = binary ? SQL_C_BINARY : SQL_C_WCHAR;
    const qsizetype unit = binary ? 1 : qsizetype(sizeof(SQLWCHAR));
    QByteArray data;
    char buffer[8192];
    while (true) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, cType, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) return false;
        if (indicator == SQL_NULL_DATA) {
            *out = QVariant();
            return true;
        }
        // A part that fills the buffer leaves room for the terminating NUL of character data.
        const qsizetype room = binary ? qsizetype(sizeof buffer)
                                      : qsizetype(sizeof buffer) - qsizetype(sizeof(SQLWCHAR));
        qsizetype got = room;
        if (indicator != SQL_NO_TOTAL && indicator >= 0 && indicator <= room) got = indicator;
        data.append(buffer, got - got % unit);
        if (rc == SQL_SUCCESS) break; // the last part
    }
    if (binary)
        *out = data;
    else
        *out = FromWide(reinterpret_cast<const SQLWCHAR*>(data.constData()),
                        data.size() / qsizetype(sizeof(SQLWCHAR)));
    return true;
}

// Dates as dates when they are calendar dates; anything else ('infinity', a BC date, a year
// beyond 9999) stays text, which the field refuses to show as a date.
QVariant DateValue(Column column, const QString& text) {
    const QString t = text.trimmed();
    if (column == Column::Date) {
        const QDate d = QDate::fromString(t, Qt::ISODate);
        if (d.isValid() && t.size() == 10) return d;
    } else if (column == Column::DateTime) {
        QString iso = t;
        if (iso.size() > 10 && iso[10] == QLatin1Char(' ')) iso[10] = QLatin1Char('T');
        const QDateTime dt = QDateTime::fromString(iso, Qt::ISODateWithMs);
        if (dt.isValid() && dt.date().year() >= 1 && t.size() >= 10 && t[4] == QLatin1Char('-'))
            return dt;
        const QDate d = QDate::fromString(t, Qt::ISODate);
        if (d.isValid() && t.size() == 10) return QDateTime(d, QTime(0, 0));
    } else if (column == Column::Time) {
        const QTime time = QTime::fromString(t, Qt::ISODateWithMs);
        if (time.isValid()) return time;
    }
    return text;
}

struct StatementDeleter {
    void operator()(void* stmt) const { SQLFreeHandle(SQL_HANDLE_STMT, stmt); }
};

} // namespace

bool OdbcRead(const QSqlDatabase& db, const QString& sql, bool readRows, OdbcResult* result,
              QString* error) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || handle.metaType().sizeOf() != int(sizeof(SQLHANDLE))) {
        *error = QStringLiteral("ODBC 连接不可用");
        return false;
    }
    SQLHANDLE dbc = *static_cast<const SQLHANDLE*>(handle.constData());
    SQLHANDLE raw = nullptr;
    if (!dbc || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &raw))) {
        *error = dbc ? Diagnostics(SQL_HANDLE_DBC, dbc) : QStringLiteral("ODBC 连接不可用");
        return false;
    }
    const std::unique_ptr<void, StatementDeleter> owner(raw);
    SQLHSTMT stmt = raw;
    const SQLRETURN rc = SQLExecDirectW(
        stmt, reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(Utf16(sql))), SQL_NTS);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        *error = Diagnostics(SQL_HANDLE_STMT, stmt);
        return false;
    }
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(stmt, &count)) || count <= 0) {
        *error = QStringLiteral("查询没有返回记录集");
        return false;
    }

    QVector<Column> columns(count);
    result->fields = QVector<FieldDef>(count);
    for (SQLSMALLINT i = 0; i < count; ++i) {
        SQLWCHAR name[512] = {};
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(stmt, SQLUSMALLINT(i + 1), name,
                                           SQLSMALLINT(std::size(name)), &nameLength, &sqlType,
                                           &size, &digits, &nullable))) {
            *error = Diagnostics(SQL_HANDLE_STMT, stmt);
            return false;
        }
        QString fieldName =
            FromWide(name, std::clamp<qsizetype>(nameLength, 0, std::size(name) - 1));
        // Some drivers leave buffer garbage after the terminating NUL of a column name.
        if (const qsizetype nul = fieldName.indexOf(QChar(0)); nul >= 0) fieldName.truncate(nul);
        SQLWCHAR typeName[128] = {};
        SQLSMALLINT typeBytes = 0;
        QString type;
        if (SQL_SUCCEEDED(SQLColAttributeW(stmt, SQLUSMALLINT(i + 1), SQL_DESC_TYPE_NAME, typeName,
                                           SQLSMALLINT(sizeof typeName), &typeBytes, nullptr)))
            type = FromWide(typeName, std::clamp<qsizetype>(typeBytes / qsizetype(sizeof(SQLWCHAR)),
                                                            0, std::size(typeName) - 1));
        columns[i] = ColumnOf(sqlType, type);
        FieldDef& f = result->fields[i];
        f.name = fieldName;
        f.kind = columns[i] == Column::Number   ? FieldKind::Numeric
                 : columns[i] == Column::Binary ? FieldKind::LargeObject
                                                : FieldKind::Other;
        f.isDate = columns[i] == Column::Date || columns[i] == Column::DateTime;
    }

    result->rows.Clear();
    if (!readRows) return true;
    while (true) {
        const SQLRETURN fetched = SQLFetch(stmt);
        if (fetched == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(fetched)) {
            *error = Diagnostics(SQL_HANDLE_STMT, stmt);
            return false;
        }
        QVector<QVariant> row(count);
        for (SQLSMALLINT i = 0; i < count; ++i) {
            QVariant v;
            const bool date = columns[i] == Column::Date || columns[i] == Column::DateTime ||
                              columns[i] == Column::Time;
            if (!FetchValue(stmt, SQLUSMALLINT(i + 1), columns[i] == Column::Binary, &v)) {
                *error = Diagnostics(SQL_HANDLE_STMT, stmt);
                return false;
            }
            if (!v.isNull()) {
                if (columns[i] == Column::Bool) {
                    const QString t = v.toString().trimmed().toLower();
                    v = QVariant(t == QLatin1String("1") || t == QLatin1String("t") ||
                                 t == QLatin1String("true"));
                } else if (date) {
                    v = DateValue(columns[i], v.toString());
                }
            }
            row[i] = v;
        }
        result->rows.Append(row);
    }
    // A column of no known type holding only numbers is a numeric column.
    for (SQLSMALLINT i = 0; i < count; ++i) {
        if (columns[i] != Column::Guess) continue;
        bool any = false, allNumbers = true;
        for (int r = 0; r < result->rows.Count(); ++r) {
            const QVariant v = result->rows.Value(r, i);
            if (v.isNull()) continue;
            any = true;
            DecimalValue d;
            if (!DecimalValue::FromText(v.toString(), &d)) {
                allNumbers = false;
                break;
            }
        }
        if (any && allNumbers) result->fields[i].kind = FieldKind::Numeric;
    }
    return true;
}

} // namespace karvell
