// The query component on a real SQLite file, opened directly and through the SQLite ODBC
// driver as an ODBC data source, and its connection strings.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "adoquery.h"
#include "common/scoped_env.h"
#include "odbcsetup.h"
#include "platform/error.h"

using namespace karvell;

namespace {

const char* const kOdbcConnection =
    "Provider=MSDASQL.1;Password=mvbnlkjh;Persist Security Info=True;Data Source=acc_Quorbex";

// One SQLite file for the whole run, also published as ODBC data source "acc_Quorbex" through
// a private unixODBC configuration (set before the first ODBC connection of the process).
struct TestDatabase {
    QTemporaryDir dir;
    QString file;
    QString error;

    TestDatabase() {
        file = dir.filePath(QStringLiteral("凭证.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fixture");
            db.setDatabaseName(file);
            if (!db.open()) {
                error = db.lastError().text();
                return;
            }
            QSqlQuery q(db);
            const char* statements[] = {
                "create table 凭证明细 (序号 integer, 摘要 text, 借方金额 numeric, "
                "贷方金额 decimal(18,2), 日期 date, 附件 blob, 已审核 boolean)",
                "insert into 凭证明细 values (2, '报销差旅费', 0.1, 2.5, '2024-12-31', null, 0)",
                "insert into 凭证明细 values (1, '购买办公用品', 1000000.25, null, '2024-01-05', "
                "x'424d0001', 1)",
                "insert into 凭证明细 values (3, null, null, -2.5, null, null, null)",
            };
            for (const char* s : statements)
                if (!q.exec(QString::fromUtf8(s))) error += q.lastError().text();
        }
        QSqlDatabase::removeDatabase("fixture");
        const QString odbcDir = dir.filePath(QStringLiteral("odbc"));
        if (!WriteOdbcConfig(odbcDir, QStringLiteral("acc_Quorbex"), file, &error)) return;
        UseOdbcConfig(odbcDir);
    }
};

const TestDatabase& Db() {
    static TestDatabase db;
    return db;
}

QString Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const KarvellError& e) {
        return e.message();
    }
    return QString();
}

struct Backend {
    const char* name;
    bool odbc;
};
void PrintTo(const Backend& b, std::ostream* os) {
    *os << b.name;
}

class QueryBackend : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override { ASSERT_TRUE(Db().error.isEmpty()) << Db().error.toStdString(); }
    QString Connection() const {
        return GetParam().odbc ? QString::fromLatin1(kOdbcConnection)
                               : QStringLiteral("sqlite:") + Db().file;
    }
    QString SourceName() const {
        return GetParam().odbc ? QStringLiteral("acc_Quorbex") : Db().file;
    }
};

const QStringList kFieldNames = {"序号", "摘要", "借方金额", "贷方金额", "日期", "附件", "已审核"};

} // namespace

TEST_P(QueryBackend, ReadsEveryRowWithFieldKindsAndValues) {
    TADOQuery query;
    query.setObjectName(QStringLiteral("ADOQueryDetail"));
    query.SetConnectionString(Connection());
    query.SetSQL({QStringLiteral("select * from 凭证明细"), QStringLiteral("order by 序号")});
    query.Open();
    ASSERT_TRUE(query.Active());
    EXPECT_EQ(query.RecordCount(), 3);
    EXPECT_EQ(query.FieldNames(), kFieldNames);

    const FieldKind N = FieldKind::Numeric, O = FieldKind::Other, L = FieldKind::LargeObject;
    const std::vector<FieldKind> kinds = {N, O, N, N, O, L, O};
    for (int i = 0; i < kFieldNames.size(); ++i)
        EXPECT_EQ(query.FieldByName(kFieldNames[i]).Kind(), kinds[i])
            << kFieldNames[i].toStdString();

    // Display texts of 序号, 摘要, 借方金额, 贷方金额, 已审核 and the numeric values, by record.
    const std::vector<QStringList> texts = {
        {"1", "购买办公用品", "1000000.25", "", "True"},
        {"2", "报销差旅费", "0.1", "2.5", "False"},
        {"3", "", "", "-2.5", ""},
    };
    const std::vector<std::pair<double, double>> amounts = {{1000000.25, 0}, {0.1, 2.5}, {0, -2.5}};
    int k = 0;
    for (query.First(); !query.Eof(); query.Next(), ++k) {
        ASSERT_LT(k, 3);
        QStringList row;
        for (const char* f : {"序号", "摘要", "借方金额", "贷方金额", "已审核"})
            row << query.FieldByName(QString::fromUtf8(f)).DisplayText();
        EXPECT_EQ(row, texts[k]);
        EXPECT_EQ(query.FieldByName(QStringLiteral("借方金额")).AsFloat(), amounts[k].first);
        EXPECT_EQ(query.FieldByName(QStringLiteral("贷方金额")).AsFloat(), amounts[k].second);
    }
    EXPECT_EQ(k, 3);

    query.First();
    EXPECT_EQ(query.FieldByName(QStringLiteral("附件")).BlobData(), QByteArray("BM\0\1", 4));
    // SQLite has no date type of its own: only the ODBC driver hands dates over as dates.
    EXPECT_EQ(query.FieldByName(QStringLiteral("日期")).DisplayText(),
              GetParam().odbc ? QStringLiteral("2024/1/5") : QStringLiteral("2024-01-05"));
    query.Next();
    EXPECT_TRUE(query.FieldByName(QStringLiteral("附件")).IsNull());

    query.Last();
    EXPECT_EQ(query.FieldByName(QStringLiteral("序号")).AsFloat(), 3);
    query.Prior();
    EXPECT_EQ(query.FieldByName(QStringLiteral("序号")).AsFloat(), 2);

    // A second query on the same connection string shares the connection.
    const QStringList connections = QSqlDatabase::connectionNames();
    TADOQuery second;
    second.SetConnectionString(Connection());
    second.SetSQL({QStringLiteral("select 摘要 from 凭证明细 where 序号 = 2")});
    second.Open();
    EXPECT_EQ(second.RecordCount(), 1);
    EXPECT_EQ(second.FieldByName(QStringLiteral("摘要")).DisplayText(),
              QStringLiteral("报销差旅费"));
    EXPECT_EQ(QSqlDatabase::connectionNames().size(), connections.size());

    // Closing drops the rows but keeps the field definitions.
    query.Close();
    EXPECT_EQ(query.RecordCount(), 0);
    EXPECT_EQ(query.FieldNames(), kFieldNames);
}

TEST_P(QueryBackend, ClosedQueryReadsItsFieldDefinitionsWithoutOpening) {
    TADOQuery query;
    query.SetConnectionString(Connection());
    query.SetSQL({QStringLiteral("select 摘要, 借方金额 from 凭证明细")});
    EXPECT_TRUE(query.FieldNames().isEmpty());
    query.UpdateFieldDefs();
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.FieldNames(), QStringList({"摘要", "借方金额"}));
}

TEST_P(QueryBackend, QueryErrorsNameTheComponentAndTheDataSource) {
    TADOQuery query;
    query.setObjectName(QStringLiteral("ADOQueryMain"));
    query.SetConnectionString(Connection());
    for (const QString& sql : {QStringLiteral("select * from 不存在的表"),
                               QStringLiteral("selec 摘要 from 凭证明细"), QString()}) {
        query.SetSQL({sql});
        const QString message = Message([&] { query.Open(); });
        SCOPED_TRACE(sql.toStdString() + " -> " + message.toStdString());
        EXPECT_TRUE(message.contains(QStringLiteral("ADOQueryMain")));
        if (!sql.isEmpty()) {
            EXPECT_TRUE(message.contains(SourceName()));
        }
        EXPECT_FALSE(query.Active());
        EXPECT_THROW(query.FieldByName(QStringLiteral("摘要")), KarvellError);
    }
    // The query works again once its text is right.
    query.SetSQL({QStringLiteral("select * from 凭证明细")});
    query.Open();
    EXPECT_EQ(query.RecordCount(), 3);
}

TEST_P(QueryBackend, AmountsAreExactWhateverTheDeclaredTypeAndTheFirstRow) {
    // Each declared type with each kind of first row: every value reads as the same exact
    // decimal, and the column adds up to the same total. The SQLite ODBC driver reports a
    // column without declared type by its first row, and knows no NUM or dec.
    const QStringList types = {"integer", "bigint", "numeric(18,2)", "decimal",
                               "num",     "real",   "dec(18,2)",     ""};
    const QStringList firsts = {"5000", "null", "0.05", "'7.10'"};
    // A REAL holds 15 significant digits as the SQLite ODBC driver gives it: no 16-digit key.
    auto keyFor = [](const QString& type) {
        return type == "real" ? QStringLiteral("202403310000.01")
                              : QStringLiteral("2024033100000001");
    };
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "amounts");
    db.setDatabaseName(Db().file);
    ASSERT_TRUE(db.open());
    int table = 0;
    for (const QString& type : types) {
        for (const QString& first : firsts) {
            const QString name = QStringLiteral("金额%1_%2").arg(table++).arg(GetParam().odbc);
            SCOPED_TRACE((type + QStringLiteral(" first ") + first).toStdString());
            QSqlQuery q(db);
            ASSERT_TRUE(
                q.exec(QStringLiteral("create table %1 (k integer, v %2)").arg(name, type)));
            const QString key = keyFor(type);
            const QStringList values = {first, "2356.50", "18732.40", "-0.05", key};
            for (int k = 0; k < values.size(); ++k)
                ASSERT_TRUE(q.exec(QStringLiteral("insert into %1 values (%2, %3)")
                                       .arg(name)
                                       .arg(k)
                                       .arg(values[k])));
            q.finish();
            // The column as stored and as computed (whose first value may be null).
            for (const QString& column : {QStringLiteral("v"), QStringLiteral("v*1 as v")}) {
                TADOQuery query;
                query.SetConnectionString(Connection());
                query.SetSQL({QStringLiteral("select %1 from %2 order by k").arg(column, name)});
                query.Open();
                QStringList read;
                Total total;
                for (query.First(); !query.Eof(); query.Next()) {
                    const TField f = query.FieldByName(QStringLiteral("v"));
                    const DecimalValue d = f.AsDecimal();
                    read << (f.IsNull() ? QStringLiteral("null") : d.GeneralText());
                    total.Add(d);
                }
                const QString firstValue = first == "null"     ? "null"
                                           : first == "'7.10'" ? "7.1"
                                                               : first;
                EXPECT_EQ(read.join(' '),
                          QStringList({firstValue, "2356.5", "18732.4", "-0.05", key}).join(' '))
                    << column.toStdString();
                // 2356.50 + 18732.40 - 0.05 = 21088.85, plus the key and the first value.
                const bool longKey = key == "2024033100000001";
                const QString sum =
                    first == "5000"     ? (longKey ? "2024033100026089.85" : "202403336088.86")
                    : first == "0.05"   ? (longKey ? "2024033100021089.9" : "202403331088.91")
                    : first == "'7.10'" ? (longKey ? "2024033100021096.95" : "202403331095.96")
                                        : (longKey ? "2024033100021089.85" : "202403331088.86");
                EXPECT_TRUE(total.IsExact());
                EXPECT_EQ(QString::fromLatin1(total.Value().digits) + "e" +
                              QString::number(total.Value().point),
                          [&] {
                              DecimalValue d;
                              DecimalValue::FromText(sum, &d);
                              return QString::fromLatin1(d.digits) + "e" + QString::number(d.point);
                          }())
                    << column.toStdString();
            }
        }
    }
}

TEST_P(QueryBackend, TextsKeepEveryCharacterAndDropNuls) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "texts");
    db.setDatabaseName(Db().file);
    ASSERT_TRUE(db.open());
    const QString name = QStringLiteral("名称%1").arg(GetParam().odbc);
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("create table %1 (k integer, t text)").arg(name)));
    ASSERT_TRUE(q.exec(QStringLiteral("insert into %1 values (1, '王𠀀䶮😀')").arg(name)));
    ASSERT_TRUE(
        q.exec(QStringLiteral("insert into %1 values (2, 'a' || char(0) || 'b')").arg(name)));
    q.finish();
    TADOQuery query;
    query.SetConnectionString(Connection());
    query.SetSQL({QStringLiteral("select t from %1 order by k").arg(name)});
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("t")).DisplayText(), QStringLiteral("王𠀀䶮😀"));
    query.Next();
    // The SQLite ODBC driver itself ends a text at a NUL; the direct path keeps what follows.
    EXPECT_EQ(query.FieldByName(QStringLiteral("t")).DisplayText(),
              GetParam().odbc ? QStringLiteral("a") : QStringLiteral("ab"));
}

INSTANTIATE_TEST_SUITE_P(Data, QueryBackend,
                         testing::Values(Backend{"Sqlite", false}, Backend{"Odbc", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QueryConnection, MissingDataSourcesFailWithAClearError) {
    ASSERT_TRUE(Db().error.isEmpty()) << Db().error.toStdString();
    const QString missingFile = Db().dir.filePath(QStringLiteral("没有.db"));
    const struct {
        QString connection;
        QString source;
    } cases[] = {
        {QStringLiteral("Provider=MSDASQL.1;Password=x;Data Source=no_such_dsn"),
         QStringLiteral("no_such_dsn")},
        {QStringLiteral("sqlite:") + missingFile, missingFile},
        {missingFile, missingFile},
    };
    for (const auto& c : cases) {
        TADOQuery query;
        query.setObjectName(QStringLiteral("ADOQueryMain"));
        query.SetConnectionString(c.connection);
        query.SetSQL({QStringLiteral("select * from Quorbex")});
        const QString message = Message([&] { query.Open(); });
        SCOPED_TRACE(message.toStdString());
        EXPECT_TRUE(message.contains(QStringLiteral("ADOQueryMain")));
        EXPECT_TRUE(message.contains(c.source));
        EXPECT_FALSE(query.Active());
    }
    EXPECT_FALSE(QFile::exists(missingFile)); // never created by a failed open
}

TEST(QueryConnection, ParsesConnectionStrings) {
    using K = ConnectionSettings::Kind;
    const struct {
        const char* text;
        std::optional<QString> passwordOverride;
        K kind;
        const char* database;
        const char* user;
        const char* password;
    } cases[] = {
        {kOdbcConnection, {}, K::Odbc, "acc_Quorbex", "", "mvbnlkjh"},
        {kOdbcConnection, QStringLiteral("geheim"), K::Odbc, "acc_Quorbex", "", "geheim"},
        {kOdbcConnection, QString(), K::Odbc, "acc_Quorbex", "", ""},
        {" provider=msdasql.1 ; data source = 账套 ; User ID=sa; pwd=\"a;b\"\"c\" ",
         {},
         K::Odbc,
         "账套",
         "sa",
         "a;b\"c"},
        {"DSN=acc_Quorbex;UID=u;PWD=p", {}, K::Odbc, "acc_Quorbex", "u", "p"},
        {"Provider=MSDASQL.1;Extended Properties=\"DSN=acc;UID=u;PWD=p\"",
         {},
         K::Odbc,
         "acc",
         "u",
         "p"},
        {"Provider=SQLite;Data Source=/data/凭证.db", {}, K::Sqlite, "/data/凭证.db", "", ""},
        {"sqlite:/data/a.db", QStringLiteral("x"), K::Sqlite, "/data/a.db", "", "x"},
        {"/data/a.db", {}, K::Sqlite, "/data/a.db", "", ""},
        {"Provider=MSDASQL.1;Password=p", {}, K::Odbc, "", "", "p"},
    };
    for (const auto& c : cases) {
        const ConnectionSettings s =
            ParseConnectionString(QString::fromUtf8(c.text), c.passwordOverride);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(s.kind, c.kind);
        EXPECT_EQ(s.database, QString::fromUtf8(c.database));
        EXPECT_EQ(s.user, QString::fromUtf8(c.user));
        EXPECT_EQ(s.password, QString::fromUtf8(c.password));
    }
}

TEST(QueryConnection, PasswordFromTheEnvironmentReplacesTheConnectionStrings) {
    ASSERT_TRUE(Db().error.isEmpty()) << Db().error.toStdString();
    const auto openCount = [] {
        TADOQuery query;
        query.SetConnectionString(QString::fromLatin1(kOdbcConnection));
        query.SetSQL({QStringLiteral("select * from 凭证明细")});
        query.Open();
        EXPECT_EQ(query.RecordCount(), 3);
        return QSqlDatabase::connectionNames().size();
    };
    const qsizetype plain = openCount();
    qsizetype overridden = 0;
    {
        const test::ScopedEnv password("KARVELL_DB_PASSWORD", "anderes");
        overridden = openCount();
    }
    // The other password makes another connection; the plain one is reused afterwards.
    EXPECT_EQ(overridden, plain + 1);
    EXPECT_EQ(openCount(), overridden);
}
