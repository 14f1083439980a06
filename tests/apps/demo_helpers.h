#pragma once
// Running the programs on the demo voucher: a made demo folder with its private ODBC
// configuration, tool runs with their exit status and messages, text and pictures of PDFs.
#include <QImage>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace apptest {

struct ToolRun {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err; // without Qt's own start-up notes
};

// A demo folder made by `karvell make-demo`, and the environment the programs run in there.
class DemoDir {
public:
    DemoDir();
    bool Ok() const { return m_ok; }
    QString Path(const QString& name = QString()) const;
    QString Template() const { return Path(QStringLiteral("edj/记账凭证.edj")); }
    QString Database() const { return Path(QStringLiteral("quorbex.db")); }
    // Runs SQL statements on the demo database; false (with the error in `error`) on failure.
    bool Sql(const QStringList& statements, QString* error = nullptr) const;
    // A single number from a query.
    double Number(const QString& sql) const;
    ToolRun Karvell(const QStringList& args) const;
    ToolRun Danmere(const QStringList& args) const;
    QProcessEnvironment env;

private:
    ToolRun Start(const QString& program, const QStringList& args) const;
    QTemporaryDir m_dir;
    bool m_ok = false;
};

QString PdfText(const QString& pdf);
int PdfPages(const QString& pdf);
// The first page rendered at 72 dots per inch (one pixel per point); null without pdftoppm.
QImage PdfPicture(const QString& pdf);
// Bounding box of the non-white pixels.
QRect InkBox(const QImage& image);

} // namespace apptest
