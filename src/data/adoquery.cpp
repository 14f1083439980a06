#include "adoquery.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include "odbcread.h"
#include "odbcsetup.h"
#include "platform/error.h"

namespace karvell {

namespace {

// Splits "key=value;key=value" into pairs. Values may be quoted with " or ' (a doubled quote
// inside stands for itself), so they can hold ";".
QList<QPair<QString, QString>> SplitPairs(const QString& text) {
    QList<QPair<QString, QString>> pairs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) { // a part without "=": skip it
            if (semi < 0) break;
            i = semi + 1;
            continue;
        }
        const QString key = text.mid(i, eq - i).trimmed();
        i = eq + 1;
        while (i < n && text[i].isSpace())
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const QChar quote = text[i++];
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            const qsizetype next = text.indexOf(QLatin1Char(';'), i);
            i = next < 0 ? n : next + 1;
        } else {
            const qsizetype next = text.indexOf(QLatin1Char(';'), i);
            value = text.mid(i, (next < 0 ? n : next) - i).trimmed();
            i = next < 0 ? n : next + 1;
        }
        pairs.append({key, value});
    }
    return pairs;
}

bool KeyIs(const QString& key, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return true;
    return false;
}

void ApplyPairs(const QString& text, ConnectionSettings& s) {
    QString extended;
    for (const auto& [key, value] : SplitPairs(text)) {
        if (KeyIs(key, {"Provider"})) {
            if (value.contains(QLatin1String("sqlite"), Qt::CaseInsensitive))
                s.kind = ConnectionSettings::Kind::Sqlite;
        } else if (KeyIs(key, {"Data Source", "DSN", "Database"})) {
            if (s.database.isEmpty()) s.database = value;
        } else if (KeyIs(key, {"User ID", "UID", "User"})) {
            s.user = value;
        } else if (KeyIs(key, {"Password", "PWD"})) {
            s.password = value;
        } else if (KeyIs(key, {"Extended Properties"})) {
            extended = value;
        }
    }
    // ADO may carry the ODBC string ("DSN=...;UID=...") in Extended Properties.
    if (!extended.isEmpty() && extended.contains(QLatin1Char('='))) {
        ConnectionSettings inner;
        ApplyPairs(extended, inner);
        if (s.database.isEmpty()) s.database = inner.database;
        if (s.user.isEmpty()) s.user = inner.user;
        if (s.password.isEmpty()) s.password = inner.password;
    }
}

QString DataSourceName(const ConnectionSettings& s) {
    return s.database;
}

QSqlDatabase Connect(const ConnectionSettings& s, const QString& component) {
    const bool odbc = s.kind == ConnectionSettings::Kind::Odbc;
    const QString driver = odbc ? QStringLiteral("QODBC") : QStringLiteral("QSQLITE");
    const auto fail = [&](const QString& why) {
        return KarvellError(
            QStringLiteral("%1 无法连接数据源 %2：%3").arg(component, DataSourceName(s), why));
    };
    if (s.database.isEmpty())
        throw KarvellError(QStringLiteral("%1 的连接字符串没有指定数据源").arg(component));
    if (!odbc && !QFileInfo(s.database).isFile()) throw fail(QStringLiteral("数据库文件不存在"));
    if (odbc) {
        const QString file = OdbcSqliteDatabase(s.database);
        if (!file.isEmpty() && !QFileInfo(file).isFile())
            throw fail(QStringLiteral("数据库文件“%1”不存在").arg(file));
    }
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw fail(QStringLiteral("Qt 数据库驱动 %1 不可用").arg(driver));

    // One connection per distinct set of connection values, kept open for reuse.
    const QByteArray key = QCryptographicHash::hash(
        QStringList{driver, s.database, s.user, s.password}.join(QChar(0)).toUtf8(),
        QCryptographicHash::Sha1);
    const QString name = QStringLiteral("karvell-") + QString::fromLatin1(key.toHex());
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(driver, name);
    if (db.isOpen()) return db;
    // QODBC builds "DSN=name;UID=...;PWD=..." itself; it must get the bare data source name.
    db.setDatabaseName(s.database);
    db.setUserName(s.user);
    db.setPassword(s.password);
    if (!db.open()) throw fail(db.lastError().text());
    return db;
}

} // namespace

ConnectionSettings ParseConnectionString(const QString& text,
                                         const std::optional<QString>& passwordOverride) {
    ConnectionSettings s;
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
        s.kind = ConnectionSettings::Kind::Sqlite;
        s.database = t.mid(7).trimmed();
    } else if (!t.contains(QLatin1Char('='))) {
        s.kind = ConnectionSettings::Kind::Sqlite;
        s.database = t;
    } else {
        ApplyPairs(t, s);
    }
    if (passwordOverride) s.password = *passwordOverride;
    return s;
}

QString ConnectionDatabaseFile(const QString& text) {
    const ConnectionSettings s = ParseConnectionString(text);
    if (s.database.isEmpty()) return QString();
    return s.kind == ConnectionSettings::Kind::Sqlite ? s.database : OdbcSqliteDatabase(s.database);
}

TADOQuery::TADOQuery(QObject* parent) : TDataSet(parent) {}

void TADOQuery::SetConnectionString(const QString& text) {
    if (text == m_connectionString) return;
    Close();
    m_connectionString = text;
}

void TADOQuery::SetSQL(const QStringList& lines) {
    Close();
    m_sql = lines;
}

void TADOQuery::AddSQL(const QString& line) {
    Close();
    m_sql.append(line);
}

void TADOQuery::DoOpen() {
    Run(true);
}

void TADOQuery::DoClose() {
    m_rows.Clear();
}

void TADOQuery::DoUpdateFieldDefs() {
    Run(false);
}

void TADOQuery::Run(bool readRows) {
    const QString component = DisplayName();
    const QString text = m_sql.join(QLatin1Char('\n'));
    if (text.trimmed().isEmpty())
        throw KarvellError(QStringLiteral("%1 没有查询语句").arg(component));

    std::optional<QString> password;
    if (qEnvironmentVariableIsSet("KARVELL_DB_PASSWORD"))
        password = qEnvironmentVariable("KARVELL_DB_PASSWORD");
    const ConnectionSettings settings = ParseConnectionString(m_connectionString, password);
    QSqlDatabase db = Connect(settings, component);
    const auto queryError = [&](const QString& why) {
        return KarvellError(QStringLiteral("%1 在数据源 %2 上执行查询出错：%3")
                                .arg(component, DataSourceName(settings), why));
    };
    if (settings.kind == ConnectionSettings::Kind::Odbc) {
        // Every value as the text the driver gives: see odbcread.h.
        OdbcResult result;
        QString why;
        if (!OdbcRead(db, text, readRows, &result, &why)) throw queryError(why);
        m_fields = result.fields;
        m_rows = std::move(result.rows);
        return;
    }

    // SQLite's values carry their storage class: integers and reals arrive as numbers (a real
    // counts as its shortest decimal form), text as the text stored.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    if (!query.exec(text)) throw queryError(query.lastError().text());
    if (!query.isSelect()) throw queryError(QStringLiteral("查询没有返回记录集"));

    const QSqlRecord record = query.record();
    const int count = record.count();
    QVector<FieldDef> fields(count);
    QVector<bool> toBool(count, false);
    QVector<bool> decideByValues(count, false);
    for (int i = 0; i < count; ++i) {
        const QSqlField field = record.field(i);
        QString name = field.name();
        // Some ODBC drivers leave buffer garbage after the terminating NUL of a column name.
        if (const qsizetype nul = name.indexOf(QChar(0)); nul >= 0) name.truncate(nul);
        fields[i].name = name;
        const int id = field.metaType().id();
        if (id == QMetaType::Bool) {
            toBool[i] = true;
        } else if (IsNumericMetaType(id)) {
            fields[i].kind = FieldKind::Numeric;
        } else if (id == QMetaType::QByteArray) {
            fields[i].kind = FieldKind::LargeObject;
        } else if (id == QMetaType::QString) {
            // SQLite reports only some declared types; its values carry their storage class,
            // so a column whose values are all numbers is numeric.
            decideByValues[i] = true;
        }
    }

    TRowStore rows;
    if (readRows) {
        while (query.next()) {
            QVector<QVariant> row(count);
            for (int i = 0; i < count; ++i) {
                QVariant v = query.value(i);
                if (!v.isNull() && toBool[i]) v = QVariant(v.toBool());
                row[i] = v;
            }
            rows.Append(row);
        }
        if (query.lastError().isValid()) throw queryError(query.lastError().text());
        for (int i = 0; i < count; ++i) {
            if (!decideByValues[i]) continue;
            bool any = false, allNumbers = true;
            for (int r = 0; r < rows.Count(); ++r) {
                const QVariant v = rows.Value(r, i);
                if (v.isNull()) continue;
                any = true;
                if (!IsNumericMetaType(v.metaType().id())) {
                    allNumbers = false;
                    break;
                }
            }
            if (any && allNumbers) fields[i].kind = FieldKind::Numeric;
        }
    }
    query.finish();

    m_fields = fields;
    m_rows = std::move(rows);
}

} // namespace karvell
