// CSV files (RFC 4180; LF line ends are taken as well as CRLF) as a table of field
// definitions and rows of texts.
#include "filedataset.h"
#include "filetext.h"
#include "format/decimal.h"

namespace karvell {

using filetext::BadUtf8At;
using filetext::Fail;

namespace {

void CheckNames(const QStringList& names, const QString& source, int line) {
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].trimmed().isEmpty())
            Fail(source, line, QStringLiteral("第 %1 个字段名是空的").arg(i + 1));
        for (int j = 0; j < i; ++j)
            if (names[j].compare(names[i], Qt::CaseInsensitive) == 0)
                Fail(source, line, QStringLiteral("字段名 %1 重复").arg(names[i]));
    }
}

// A column whose values (nulls aside) all read as decimal numbers is numeric.
void DecideKinds(FileTable& t) {
    for (int c = 0; c < t.fields.size(); ++c) {
        bool any = false, all = true;
        for (const QVector<QVariant>& row : std::as_const(t.rows)) {
            const QVariant& v = row[c];
            if (v.isNull()) continue;
            any = true;
            DecimalValue d;
            if (v.metaType().id() != QMetaType::QString ||
                !DecimalValue::FromText(v.toString(), &d)) {
                all = false;
                break;
            }
        }
        if (any && all) t.fields[c].kind = FieldKind::Numeric;
    }
}

// A value's text; its bytes must be UTF-8. `line` is where the value starts; the fault names
// the line of the bad byte and the field (its name once the header is read).
QString CsvText(const QByteArray& bytes, const QString& source, int line, int index,
                const QVector<FieldDef>& fields) {
    const qsizetype bad = BadUtf8At(bytes);
    if (bad < 0) return QString::fromUtf8(bytes);
    const QString field =
        index < fields.size()
            ? QStringLiteral("第 %1 个字段（%2）").arg(index + 1).arg(fields[index].name)
            : QStringLiteral("第 %1 个字段").arg(index + 1);
    Fail(source, line + int(bytes.left(bad).count('\n')),
         QStringLiteral("%1中有不是有效 UTF-8 编码的字节").arg(field));
}

} // namespace

FileTable ReadCsv(const QByteArray& bytes, const QString& source) {
    // The encoding is checked value by value, so a fault names its field.
    const QByteArray b = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    const qsizetype n = b.size();
    qsizetype i = 0;
    int line = 1;
    FileTable t;
    // An unquoted empty field is null (as an empty database column); "" is an empty text.
    while (i < n) {
        const int recordLine = line;
        QVector<QVariant> record;
        while (true) {
            QVariant value;
            if (i < n && b[i] == '"') {
                const int quoteLine = line;
                QByteArray text;
                ++i;
                while (true) {
                    if (i >= n) Fail(source, quoteLine, QStringLiteral("引号没有结束"));
                    if (b[i] == '"') {
                        if (i + 1 < n && b[i + 1] == '"') {
                            text += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (b[i] == '\n') ++line;
                    text += b[i++];
                }
                if (i < n && b[i] != ',' && b[i] != '\n' &&
                    !(b[i] == '\r' && i + 1 < n && b[i + 1] == '\n'))
                    Fail(source, line,
                         QStringLiteral("第 %1 个字段的结束引号后还有字符").arg(record.size() + 1));
                value = CsvText(text, source, quoteLine, int(record.size()), t.fields);
            } else {
                const qsizetype start = i;
                while (i < n && b[i] != ',' && b[i] != '\n' &&
                       !(b[i] == '\r' && i + 1 < n && b[i + 1] == '\n')) {
                    if (b[i] == '"')
                        Fail(source, line,
                             QStringLiteral("第 %1 个字段中有未加引号的引号")
                                 .arg(record.size() + 1));
                    ++i;
                }
                if (i > start)
                    value = CsvText(b.mid(start, i - start), source, line, int(record.size()),
                                    t.fields);
            }
            record.append(value);
            if (i < n && b[i] == ',') {
                ++i;
                continue;
            }
            if (i < n) { // the line end
                i += b[i] == '\r' ? 2 : 1;
                ++line;
            }
            break;
        }
        if (t.lines.isEmpty() && t.fields.isEmpty()) {
            QStringList names;
            for (const QVariant& v : std::as_const(record))
                names << v.toString();
            CheckNames(names, source, recordLine);
            for (const QString& name : std::as_const(names))
                t.fields.append(FieldDef{name, FieldKind::Other, false});
            continue;
        }
        // Blank lines at the end of the file are no records.
        if (record.size() == 1 && record[0].isNull() && t.fields.size() != 1) {
            qsizetype j = i;
            while (j < n && (b[j] == '\n' || b[j] == '\r'))
                ++j;
            if (j == n) break;
        }
        if (record.size() != t.fields.size())
            Fail(source, recordLine,
                 QStringLiteral("有 %1 个字段，而第一行有 %2 个字段名")
                     .arg(record.size())
                     .arg(t.fields.size()));
        t.rows.append(record);
        t.lines.append(recordLine);
    }
    if (t.fields.isEmpty()) Fail(source, 1, QStringLiteral("没有字段名（第一行应是字段名）"));
    DecideKinds(t);
    return t;
}

} // namespace karvell
