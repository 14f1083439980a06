#include "output/archive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include "platform/atomicfile.h"
#include "platform/error.h"

namespace karvell {
namespace {

constexpr int kMaxNameLength = 100;
const QString kIndex = QStringLiteral("index.xml");
const QString kSums = QStringLiteral("SHA256SUMS");

QByteArray Sha256Hex(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// What the package's own files are not: a voucher's name never takes one of them.
bool Reserved(const QString& lower) {
    return lower == kIndex || lower == kSums.toLower();
}

} // namespace

QString SafeFileName(const QString& key) {
    QString out;
    for (QChar c : key) {
        const bool bad = c.unicode() < 0x20 || c.unicode() == 0x7F ||
                         QStringView(u"/\\:*?\"<>|").contains(c) || c.isSurrogate();
        out += bad ? u'_' : c;
    }
    while (!out.isEmpty() && (out.front() == u'.' || out.front().isSpace()))
        out.remove(0, 1);
    while (!out.isEmpty() && (out.back() == u'.' || out.back().isSpace()))
        out.chop(1);
    out.truncate(kMaxNameLength);
    return out.isEmpty() ? QStringLiteral("_") : out;
}

ArchivePackage::ArchivePackage(const QString& dir, bool replace, const QByteArray& templateBytes,
                               const QString& templateName, const QString& format)
    : m_dir(QDir::cleanPath(QFileInfo(dir).absoluteFilePath())), m_replace(replace),
      m_templateSha(Sha256Hex(templateBytes)), m_templateName(templateName), m_format(format),
      m_time(QDateTime::currentDateTimeUtc()) {
    const QFileInfo target(m_dir);
    if (target.exists() && !target.isDir())
        throw KarvellError(QStringLiteral("“%1”已存在且不是文件夹").arg(dir));
    if (target.isDir() && !replace &&
        !QDir(m_dir).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        throw KarvellError(
            QStringLiteral("归档文件夹“%1”已存在且不为空；要替换它请加 --force").arg(dir));
    const QString parent = target.absolutePath();
    if (!QDir().mkpath(parent))
        throw KarvellError(QStringLiteral("无法创建文件夹“%1”").arg(parent));
    m_build = std::make_unique<QTemporaryDir>(
        QDir(parent).filePath(u'.' + target.fileName() + QStringLiteral(".archive-XXXXXX")));
    if (!m_build->isValid()) throw KarvellError(QStringLiteral("无法在“%1”中写入归档").arg(parent));
}

ArchivePackage::~ArchivePackage() = default;

void ArchivePackage::Write(const QString& name, const QByteArray& bytes) {
    WriteFileAtomic(QDir(m_build->path()).filePath(name), bytes);
}

QString ArchivePackage::Add(const ArchiveVoucher& voucher, const QByteArray& file) {
    const QString base = SafeFileName(voucher.key);
    const QString ext = u'.' + m_format;
    QString name = base + ext;
    // Names are compared without case: the package may be copied to such a file system.
    for (int n = 2; m_taken.contains(name.toLower()) || Reserved(name.toLower()); ++n)
        name = base + u'_' + QString::number(n) + ext;
    if (OnNote && name != base + ext)
        OnNote(QStringLiteral("注意：凭证 %1 的文件名与另一张凭证相同，已写为“%2”")
                   .arg(voucher.key, name));
    else if (OnNote && base != voucher.key)
        OnNote(QStringLiteral("注意：凭证 %1 的文件名中不能使用的字符已替换，写为“%2”")
                   .arg(voucher.key, name));
    Write(name, file);
    m_taken.append(name.toLower());
    m_entries.append({voucher, name, Sha256Hex(file), file.size()});
    return name;
}

QByteArray ArchivePackage::IndexXml() const {
    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("archive"));
    w.writeAttribute(QStringLiteral("format"), m_format);
    w.writeAttribute(QStringLiteral("archived"), m_time.toString(Qt::ISODate));
    w.writeAttribute(QStringLiteral("template"), m_templateName);
    w.writeAttribute(QStringLiteral("templateSha256"), QString::fromLatin1(m_templateSha));
    w.writeAttribute(QStringLiteral("vouchers"), QString::number(m_entries.size()));
    for (const Entry& e : m_entries) {
        w.writeStartElement(QStringLiteral("voucher"));
        w.writeAttribute(QStringLiteral("key"), e.voucher.key);
        w.writeAttribute(QStringLiteral("file"), e.file);
        w.writeAttribute(QStringLiteral("sha256"), QString::fromLatin1(e.sha256));
        w.writeAttribute(QStringLiteral("size"), QString::number(e.size));
        w.writeAttribute(QStringLiteral("pages"), QString::number(e.voucher.pages));
        for (const auto& [name, value] : e.voucher.fields) {
            w.writeStartElement(QStringLiteral("field"));
            w.writeAttribute(QStringLiteral("name"), name);
            w.writeCharacters(value);
            w.writeEndElement();
        }
        for (const QString& total : e.voucher.totals)
            w.writeTextElement(QStringLiteral("total"), total);
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return bytes;
}

void ArchivePackage::Finish() {
    const QByteArray index = IndexXml();
    Write(kIndex, index);
    QByteArray sums;
    for (const Entry& e : std::as_const(m_entries))
        sums += e.sha256 + "  " + e.file.toUtf8() + '\n';
    sums += Sha256Hex(index) + "  " + kIndex.toUtf8() + '\n';
    Write(kSums, sums);

    const QString built = m_build->path();
    const QFileInfo target(m_dir);
    QString old;
    if (target.exists()) {
        if (!m_replace) throw KarvellError(QStringLiteral("“%1”已存在").arg(m_dir));
        // The previous package steps aside first and goes only once the new one is in place.
        old = built + QStringLiteral(".old");
        if (!QDir().rename(m_dir, old))
            throw KarvellError(QStringLiteral("无法替换“%1”").arg(m_dir));
    }
    if (!QDir().rename(built, m_dir)) {
        if (!old.isEmpty()) QDir().rename(old, m_dir);
        throw KarvellError(QStringLiteral("无法把归档移到“%1”").arg(m_dir));
    }
    m_build->setAutoRemove(false);
    if (!old.isEmpty()) QDir(old).removeRecursively();
}

QStringList VerifyArchive(const QString& dir,
                          const std::function<QStringList(const QByteArray&)>& checkOfd) {
    QStringList faults;
    const QDir d(dir);
    if (!QFileInfo(dir).isDir()) return {QStringLiteral("%1：不是文件夹").arg(dir)};
    QFile sumsFile(d.filePath(kSums));
    if (!sumsFile.open(QIODevice::ReadOnly)) return {QStringLiteral("%1：缺失").arg(kSums)};
    QHash<QString, QByteArray> listed; // name → hex
    QStringList order;
    for (const QByteArray& line : sumsFile.readAll().split('\n')) {
        if (line.isEmpty()) continue;
        const qsizetype gap = line.indexOf("  ");
        const QString name = gap == 64 ? QString::fromUtf8(line.mid(66)) : QString();
        if (name.isEmpty() || name.contains(u'/') || listed.contains(name)) {
            faults
                << QStringLiteral("%1：格式不正确的一行：%2").arg(kSums, QString::fromUtf8(line));
            continue;
        }
        listed.insert(name, line.left(64).toLower());
        order << name;
    }
    if (!listed.contains(kIndex)) faults << QStringLiteral("%1：没有列入 %2").arg(kIndex, kSums);
    QHash<QString, QByteArray> actual;
    QHash<QString, qint64> sizes;
    for (const QString& name : std::as_const(order)) {
        QFile f(d.filePath(name));
        if (!f.exists()) {
            faults << QStringLiteral("%1：文件缺失").arg(name);
            continue;
        }
        if (!f.open(QIODevice::ReadOnly)) {
            faults << QStringLiteral("%1：无法读取").arg(name);
            continue;
        }
        const QByteArray bytes = f.readAll();
        actual.insert(name, Sha256Hex(bytes));
        sizes.insert(name, bytes.size());
        if (actual.value(name) != listed.value(name))
            faults << QStringLiteral("%1：SHA-256 不符，内容已被改动").arg(name);
        if (checkOfd && name.endsWith(QLatin1String(".ofd"), Qt::CaseInsensitive))
            for (const QString& fault : checkOfd(bytes))
                faults << QStringLiteral("%1：%2").arg(name, fault);
    }
    const QStringList present =
        d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& name : present)
        if (name != kSums && !listed.contains(name))
            faults << QStringLiteral("%1：未登记的文件").arg(name);

    // The index and the sums describe the same vouchers.
    QFile indexFile(d.filePath(kIndex));
    if (indexFile.exists() && indexFile.open(QIODevice::ReadOnly)) {
        QXmlStreamReader r(&indexFile);
        QSet<QString> inIndex;
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement() || r.name() != QLatin1String("voucher")) continue;
            const QString file = r.attributes().value(QStringLiteral("file")).toString();
            const QByteArray sha = r.attributes().value(QStringLiteral("sha256")).toLatin1();
            inIndex.insert(file);
            if (!listed.contains(file))
                faults << QStringLiteral("%1：index.xml 列出，但 %2 中没有").arg(file, kSums);
            else if (listed.value(file) != sha)
                faults << QStringLiteral("%1：index.xml 中的 SHA-256 与 %2 不符").arg(file, kSums);
            else if (sizes.contains(file) &&
                     r.attributes().value(QStringLiteral("size")).toLongLong() != sizes.value(file))
                faults << QStringLiteral("%1：大小与 index.xml 不符").arg(file);
        }
        if (r.hasError()) faults << QStringLiteral("%1：无法读取：%2").arg(kIndex, r.errorString());
        for (const QString& name : std::as_const(order))
            if (name != kIndex && !inIndex.contains(name))
                faults << QStringLiteral("%1：%2 中有，但 index.xml 没有列出").arg(name, kSums);
    }
    return faults;
}

} // namespace karvell
