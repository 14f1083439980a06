#include "designer_helpers.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "apptermination.h"
#include "odbcsetup.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "preview_helpers.h"
#include "reportcontrol.h"

namespace karvell::testutil {

DesignerDatabase::DesignerDatabase() {
    file = dir.filePath(QStringLiteral("quorbex.db"));
    Exec({"create table Quorbex (SGroup varchar(10), SFormat varchar(60))",
          "insert into Quorbex values ('*', '单据')",
          "create table Quorbex_Main (单位 varchar(40), 核算单位 varchar(40))",
          "insert into Quorbex_Main values ('东方机电', '东方机电有限公司')",
          "create table Quorbex_Detail (名称 varchar(40), 金额 numeric(18,2))"});
    for (int i = 1; i <= 12; ++i)
        Exec({QStringLiteral("insert into Quorbex_Detail values ('物品%1', %2)")
                  .arg(i)
                  .arg(i * 10)
                  .toUtf8()});
    const QString odbc = dir.filePath(QStringLiteral("odbc"));
    if (WriteOdbcConfig(odbc, QStringLiteral("acc_Quorbex"), file, &error)) UseOdbcConfig(odbc);
}

void DesignerDatabase::Exec(const QList<QByteArray>& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "designer");
        db.setDatabaseName(file);
        if (!db.open()) {
            error += db.lastError().text();
            return;
        }
        QSqlQuery q(db);
        for (const QByteArray& s : statements)
            if (!q.exec(QString::fromUtf8(s))) error += q.lastError().text();
    }
    QSqlDatabase::removeDatabase("designer");
}

void DesignerDatabase::Choose(const QString& group, const QString& format) {
    Exec({"delete from Quorbex",
          QStringLiteral("insert into Quorbex values ('%1', '%2')").arg(group, format).toUtf8()});
}

DesignerDatabase& Db() {
    static DesignerDatabase db;
    return db;
}

void DesignerTest::SetUp() {
    ASSERT_TRUE(Db().error.isEmpty()) << Db().error.toStdString();
    ASSERT_TRUE(m_work.isValid());
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_work.path());
    QDir().mkpath(QStringLiteral("edj"));
    m_oldPdfDir = qgetenv("KARVELL_PDF_DIR");
    qputenv("KARVELL_PDF_DIR", m_work.filePath("pdf").toUtf8());
    PrinterService::Instance().Reset();
    AppTermination::Reset();
    RuntimeUi::SetInstance(&m_ui);
    WriteDetailTemplate(m_work.filePath(QStringLiteral("edj/单据.edj")), QStringLiteral("从表"),
                        200);
    Db().Choose(QStringLiteral("*"), QStringLiteral("单据"));
}

void DesignerTest::TearDown() {
    RuntimeUi::SetInstance(nullptr);
    QDir::setCurrent(m_oldDir);
    qputenv("KARVELL_PDF_DIR", m_oldPdfDir);
    PrinterService::Instance().Reset();
    AppTermination::Reset();
}

QString DesignerTest::Ini() const {
    return m_work.filePath(QStringLiteral("Quorbex.ini"));
}

int DesignerTest::PdfCount() const {
    return int(QDir(m_work.filePath("pdf")).entryList({"*.pdf"}, QDir::Files).size());
}

void DesignerFormTest::SetUp() {
    DesignerTest::SetUp();
    form = std::make_unique<TMainForm>(QStringList());
    ASSERT_TRUE(form->FileSaved);
    grid = form->ReportControlMain;
    ASSERT_EQ(grid->Lines.size(), 3);
}

void DesignerFormTest::TearDown() {
    if (form) form->FileSaved = true; // nothing asks on the way out
    form.reset();
    DesignerTest::TearDown();
}

TReportCell* DesignerFormTest::Cell(int line, int column) const {
    return grid->Lines[line]->Cells[column];
}

void DesignerFormTest::Select(std::initializer_list<TReportCell*> cells) {
    grid->ClearSelection();
    for (TReportCell* c : cells)
        grid->AddSelectedCell(c);
}

QString DesignerFormTest::CellText(int line, int column) const {
    return Gbk::Decode(Cell(line, column)->CellText);
}

} // namespace karvell::testutil
