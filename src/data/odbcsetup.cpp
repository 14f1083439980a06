#include "odbcsetup.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <odbcinst.h>

#include "platform/atomicfile.h"
#include "platform/error.h"

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
    try {
        WriteFileAtomic(path, text.toUtf8());
        return true;
    } catch (const KarvellError& e) {
        if (error) *error = e.message();
        return false;
    }
}

// A key of unixODBC's configuration: "odbc.ini" (user and system data sources) or
// "odbcinst.ini" (drivers).
QString OdbcProfileString(const QString& section, const char* key, const char* file) {
    char buffer[4096] = {};
    const QByteArray s = section.toLocal8Bit();
    const int n =
        SQLGetPrivateProfileString(s.constData(), key, "", buffer, int(sizeof buffer), file);
    return n > 0 ? QString::fromLocal8Bit(buffer, std::min<int>(n, int(sizeof buffer) - 1))
                 : QString();
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

QString OdbcSqliteDatabase(const QString& dsn) {
    const QString driver = OdbcProfileString(dsn, "Driver", "odbc.ini");
    if (driver.isEmpty()) return QString();
    // The driver is named by its odbcinst.ini section or given as the library's path.
    QString library = OdbcProfileString(driver, "Driver", "odbcinst.ini");
    if (library.isEmpty()) library = driver;
    if (!library.contains(QLatin1String("sqlite"), Qt::CaseInsensitive)) return QString();
    return OdbcProfileString(dsn, "Database", "odbc.ini");
}

} // namespace karvell
