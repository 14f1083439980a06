#include "odbcsetup.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace karvell {

namespace {

// The SQLite 3 ODBC driver (Debian package libsqliteodbc) in the usual library folders.
QString FindSqliteOdbcDriver() {
    const QString name = QStringLiteral("libsqlite3odbc.so");
    QStringList folders;
    for (const QString& root : {QStringLiteral("/usr/lib"), QStringLiteral("/usr/local/lib"),
                                QStringLiteral("/usr/lib64")}) {
        folders << root + QStringLiteral("/odbc") << root;
        const QDir dir(root);
        for (const QString& sub : dir.entryList({QStringLiteral("*-linux-gnu*")}, QDir::Dirs))
            folders << root + QLatin1Char('/') + sub + QStringLiteral("/odbc");
    }
    for (const QString& folder : folders) {
        const QFileInfo info(folder + QLatin1Char('/') + name);
        if (info.isFile()) return info.absoluteFilePath();
    }
    return QString();
}

bool WriteFile(const QString& path, const QString& text, QString* error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit())
        return true;
    if (error) *error = QStringLiteral("无法写入 %1：%2").arg(path, file.errorString());
    return false;
}

} // namespace

bool WriteOdbcConfig(const QString& dir, const QString& dsn, const QString& sqliteFile,
                     QString* error) {
    const QString driver = FindSqliteOdbcDriver();
    if (driver.isEmpty()) {
        if (error) *error = QStringLiteral("找不到 SQLite ODBC 驱动程序 libsqlite3odbc.so");
        return false;
    }
    if (!QDir().mkpath(dir)) {
        if (error) *error = QStringLiteral("无法创建目录 %1").arg(dir);
        return false;
    }
    const QString inst = QStringLiteral("[SQLite3]\n"
                                        "Description=SQLite3 ODBC Driver\n"
                                        "Driver=%1\n"
                                        "Setup=%1\n")
                             .arg(driver);
    const QString sources = QStringLiteral("[%1]\n"
                                           "Description=%1\n"
                                           "Driver=SQLite3\n"
                                           "Database=%2\n"
                                           "Timeout=2000\n")
                                .arg(dsn, QFileInfo(sqliteFile).absoluteFilePath());
    const QDir d(dir);
    return WriteFile(d.filePath(QStringLiteral("odbcinst.ini")), inst, error) &&
           WriteFile(d.filePath(QStringLiteral("odbc.ini")), sources, error);
}

void UseOdbcConfig(const QString& dir) {
    const QString abs = QDir(dir).absolutePath();
    qputenv("ODBCSYSINI", QFile::encodeName(abs));
    qputenv("ODBCINI", QFile::encodeName(QDir(abs).filePath(QStringLiteral("odbc.ini"))));
}

} // namespace karvell
