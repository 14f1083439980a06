#include "demo_helpers.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace apptest {

DemoDir::DemoDir() {
    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("KARVELL_NO_PRINTERS"));
    env.remove(QStringLiteral("KARVELL_DB_PASSWORD"));
    env.insert(QStringLiteral("ODBCSYSINI"), Path());
    env.insert(QStringLiteral("ODBCINI"), Path(QStringLiteral("odbc.ini")));
    env.insert(QStringLiteral("KARVELL_PDF_DIR"), Path(QStringLiteral("pdf")));
    m_ok = m_dir.isValid() && Karvell({QStringLiteral("make-demo"), Path()}).exitCode == 0;
}

QString DemoDir::Path(const QString& name) const {
    return name.isEmpty() ? m_dir.path() : QDir(m_dir.path()).filePath(name);
}

bool DemoDir::Sql(const QStringList& statements, QString* error) const {
    const QString name = QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(Database());
        ok = db.open();
        QSqlQuery q(db);
        for (const QString& s : statements) {
            if (ok && !q.exec(s)) {
                ok = false;
                if (error) *error = q.lastError().text();
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

double DemoDir::Number(const QString& sql) const {
    const QString name = QUuid::createUuid().toString();
    double value = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(Database());
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next()) value = q.value(0).toDouble();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

ToolRun DemoDir::Start(const QString& program, const QStringList& args) const {
    QProcess process;
    process.setWorkingDirectory(Path());
    process.setProcessEnvironment(env);
    process.start(program, args);
    ToolRun r;
    r.finished = process.waitForFinished(120000);
    if (!r.finished) {
        process.kill();
        process.waitForFinished(5000);
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString& line : QString::fromUtf8(process.readAllStandardError()).split(u'\n'))
        if (!line.isEmpty() && !line.startsWith(QLatin1String("QStandardPaths:")))
            r.err += line + u'\n';
    return r;
}

ToolRun DemoDir::Karvell(const QStringList& args) const {
    return Start(QStringLiteral(KARVELL_TOOL), args);
}

ToolRun DemoDir::Danmere(const QStringList& args) const {
    return Start(QStringLiteral(DANMERE_TOOL), args);
}

QString PdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPages(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    process.waitForFinished(60000);
    const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto m = pages.match(QString::fromUtf8(process.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QImage PdfPicture(const QString& pdf) {
    QProcess process;
    const QString out = pdf + QStringLiteral(".page");
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"),
                   QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                   QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, out});
    if (!process.waitForFinished(60000)) return QImage();
    return QImage(out + QStringLiteral(".png"));
}

QRect InkBox(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 200) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace apptest
