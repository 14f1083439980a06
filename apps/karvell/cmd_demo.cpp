// karvell make-demo: the demo voucher template, its SQLite database and an ODBC configuration
// that publishes the database as data source "acc_Quorbex"; or the database as SQL text.
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <cerrno>
#include <cstdio>

#include "command.h"
#include "demo_voucher.h"
#include "model/reportdocument.h"
#include "odbcsetup.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/syserror.h"

namespace karvell::cli {

namespace {

// Built beside the target and renamed over it when complete: a full disk or a bad statement
// leaves the previous database as it was.
void WriteDatabase(const QString& file, const QStringList& statements) {
    const QString temp =
        file + QStringLiteral(".tmp-") + QUuid::createUuid().toString(QUuid::Id128);
    const QString name = QStringLiteral("make-demo-") + QUuid::createUuid().toString();
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(temp);
        if (!db.open()) {
            error = QStringLiteral("无法创建数据库 %1：%2").arg(file, db.lastError().text());
        } else {
            QSqlQuery query(db);
            db.transaction();
            for (const QString& statement : statements) {
                if (!query.exec(statement)) {
                    error =
                        QStringLiteral("无法写入数据库 %1：%2").arg(file, query.lastError().text());
                    break;
                }
            }
            query.finish();
            if (error.isEmpty() && !db.commit())
                error = QStringLiteral("无法写入数据库 %1：%2").arg(file, db.lastError().text());
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (error.isEmpty() &&
        std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(file).constData()) != 0)
        error = QStringLiteral("无法写入数据库 %1：%2").arg(file, SystemErrorText(errno));
    if (!error.isEmpty()) {
        QFile::remove(temp);
        throw KarvellError(error);
    }
}

int WriteSql(const QStringList& args, const QStringList& statements) {
    QString text;
    for (const QString& s : statements)
        text += s + QStringLiteral(";\n");
    if (args.isEmpty()) {
        PrintOut(text);
        return 0;
    }
    WriteFileAtomic(args.first(), text.toUtf8());
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
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    const QStringList statements = demo::DatabaseStatements(group);
    if (!args.isEmpty() && args.first() == QLatin1String("--sql"))
        return WriteSql(args.mid(1), statements);
    if (args.size() != 1) {
        PrintError(QStringLiteral("usage: karvell make-demo DIR [--group CODE] [--force] | "
                                  "make-demo --sql [FILE] [--group CODE]"));
        return 1;
    }

    const QDir dir(args.first());
    const QString templateFile = dir.filePath(
        QStringLiteral("edj/") + QString::fromUtf8(demo::kFormatName) + QStringLiteral(".edj"));
    const QString database = dir.filePath(QStringLiteral("quorbex.db"));
    // A folder that already holds a demo may hold a customised one: keep it unless asked.
    if (!force) {
        QStringList existing;
        for (const QString& file :
             {templateFile, database, dir.filePath(QStringLiteral("odbc.ini")),
              dir.filePath(QStringLiteral("odbcinst.ini"))})
            if (QFileInfo::exists(file)) existing.append(QDir::cleanPath(file));
        if (!existing.isEmpty()) {
            PrintError(
                QStringLiteral("make-demo：这些文件已经存在，未作改动：%1（加 --force 覆盖它们）")
                    .arg(existing.join(QStringLiteral("、"))));
            return 1;
        }
    }
    if (!QDir().mkpath(dir.filePath(QStringLiteral("edj"))))
        throw KarvellError(QStringLiteral("无法创建目录 %1").arg(dir.filePath("edj")));

    TReportDocument document;
    demo::BuildVoucherTemplate(document);
    document.SaveToFile(templateFile);
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
    QStringLiteral("make-demo DIR [--group CODE] [--force] | make-demo --sql [FILE]"),
    QStringLiteral("create the demo voucher template (DIR/edj/记账凭证.edj), its SQLite "
                   "database (DIR/quorbex.db) and an ODBC configuration naming it "
                   "acc_Quorbex (existing files are kept unless --force); or write the "
                   "database as SQL"),
    MakeDemo);

} // namespace karvell::cli
