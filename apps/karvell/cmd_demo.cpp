// karvell make-demo: the demo voucher template, its SQLite database and an ODBC configuration
// that publishes the database as data source "acc_Quorbex"; or the database as SQL text.
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "command.h"
#include "demo_voucher.h"
#include "model/reportdocument.h"
#include "odbcsetup.h"
#include "platform/error.h"

namespace karvell::cli {

namespace {

void WriteDatabase(const QString& file, const QStringList& statements) {
    QFile::remove(file);
    const QString name = QStringLiteral("make-demo-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            throw KarvellError(
                QStringLiteral("无法创建数据库 %1：%2").arg(file, db.lastError().text()));
        QSqlQuery query(db);
        db.transaction();
        for (const QString& statement : statements)
            if (!query.exec(statement))
                throw KarvellError(
                    QStringLiteral("%1：%2").arg(statement, query.lastError().text()));
        db.commit();
    }
    QSqlDatabase::removeDatabase(name);
}

int WriteSql(const QStringList& args, const QStringList& statements) {
    QString text;
    for (const QString& s : statements)
        text += s + QStringLiteral(";\n");
    if (args.isEmpty()) {
        PrintOut(text);
        return 0;
    }
    QSaveFile file(args.first());
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        PrintError(QStringLiteral("make-demo: cannot write %1").arg(args.first()));
        return 1;
    }
    return 0;
}

int MakeDemo(const QStringList& arguments) {
    QStringList args = arguments;
    QString group = QString::fromUtf8(demo::kGroupCode);
    const qsizetype groupAt = args.indexOf(QStringLiteral("--group"));
    if (groupAt >= 0) {
        if (groupAt + 1 >= args.size()) {
            PrintError(QStringLiteral("make-demo: --group needs a value"));
            return 1;
        }
        group = args.takeAt(groupAt + 1);
        args.removeAt(groupAt);
    }
    const QStringList statements = demo::DatabaseStatements(group);
    if (!args.isEmpty() && args.first() == QLatin1String("--sql"))
        return WriteSql(args.mid(1), statements);
    if (args.size() != 1) {
        PrintError(QStringLiteral("usage: karvell make-demo DIR [--group CODE] | make-demo --sql "
                                  "[FILE] [--group CODE]"));
        return 1;
    }

    const QDir dir(args.first());
    if (!QDir().mkpath(dir.filePath(QStringLiteral("edj"))))
        throw KarvellError(QStringLiteral("无法创建目录 %1").arg(dir.filePath("edj")));

    TReportDocument document;
    demo::BuildVoucherTemplate(document);
    const QString templateFile = dir.filePath(
        QStringLiteral("edj/") + QString::fromUtf8(demo::kFormatName) + QStringLiteral(".edj"));
    document.SaveToFile(templateFile);

    const QString database = dir.filePath(QStringLiteral("quorbex.db"));
    WriteDatabase(database, statements);

    QString error;
    if (!WriteOdbcConfig(dir.absolutePath(), QStringLiteral("acc_Quorbex"), database, &error)) {
        PrintError(QStringLiteral("make-demo: %1").arg(error));
        return 1;
    }
    PrintOut(QStringLiteral("template: %1\ndatabase: %2\nODBC:     %3 (ODBCSYSINI=%4, "
                            "ODBCINI=%5)\n")
                 .arg(QDir::cleanPath(templateFile), QDir::cleanPath(database),
                      QStringLiteral("acc_Quorbex"), dir.absolutePath(),
                      dir.absoluteFilePath(QStringLiteral("odbc.ini"))));
    return 0;
}

} // namespace

KARVELL_COMMAND(
    QStringLiteral("make-demo"),
    QStringLiteral("make-demo DIR [--group CODE] | make-demo --sql [FILE]"),
    QStringLiteral("create the demo voucher template (DIR/edj/记账凭证.edj), its SQLite "
                   "database (DIR/quorbex.db) and an ODBC configuration naming it "
                   "acc_Quorbex; or write the database as SQL"),
    MakeDemo);

} // namespace karvell::cli
