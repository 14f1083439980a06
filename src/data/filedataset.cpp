#include "filedataset.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "platform/error.h"
#include "platform/fileopen.h"
#include "runtime/decimal.h"

namespace karvell {

namespace {

[[noreturn]] void Fail(const QString& source, int line, const QString& what) {
    throw KarvellError(QStringLiteral("数据文件 %1 第 %2 行：%3").arg(source).arg(line).arg(what));
}

// The offset of the first byte that is not part of well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF), or -1.
qsizetype BadUtf8At(const QByteArray& b) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData());
    const qsizetype n = b.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned c = p[i];
        int more;
        unsigned min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3, min = 0x10000;
        } else {
            return i;
        }
        unsigned cp = c & (0x3F >> more);
        for (int k = 1; k <= more; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80) return i;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return i;
        i += more + 1;
    }
    return -1;
}

int LineAt(const QByteArray& b, qsizetype offset) {
    return int(b.left(offset).count('\n')) + 1;
}

// Checks the encoding and drops a byte order mark.
QByteArray Utf8Body(const QByteArray& bytes, const QString& source) {
    const qsizetype bad = BadUtf8At(bytes);
    if (bad >= 0)
        Fail(source, LineAt(bytes, bad),
             QStringLiteral("第 %1 个字节不是有效的 UTF-8 编码").arg(bad + 1));
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
}

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

} // namespace

// ---- CSV (RFC 4180; LF line ends are taken as well as CRLF) ----

namespace {

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

// ---- JSON: an array of flat objects. A reader of its own, because Qt's JSON values hold
// numbers as doubles; here a number keeps the digits the file gives. ----

namespace {

class JsonReader {
public:
    JsonReader(const QByteArray& b, const QString& source) : m_b(b), m_source(source) {}

    FileTable Read() {
        FileTable t;
        Skip();
        if (!Take('[')) Fail(m_source, m_line, QStringLiteral("内容应是一个对象数组（以 [ 开始）"));
        Skip();
        if (!Take(']')) {
            while (true) {
                ReadObject(t);
                Skip();
                if (Take(']')) break;
                if (!Take(',')) Expected(QStringLiteral("“,”或“]”"));
                Skip();
            }
        }
        Skip();
        if (m_i < m_b.size()) Fail(m_source, m_line, QStringLiteral("数组结束后还有内容"));
        // A column is numeric when the file gives numbers in it (strings stay texts).
        for (int c = 0; c < t.fields.size(); ++c) {
            bool any = false;
            bool all = true;
            for (int r = 0; r < t.rows.size() && all; ++r) {
                if (t.rows[r][c].isNull()) continue;
                any = true;
                all = m_numbers.contains(qint64(r) << 32 | c);
            }
            if (any && all) t.fields[c].kind = FieldKind::Numeric;
        }
        return t;
    }

private:
    [[noreturn]] void Expected(const QString& what) {
        Fail(m_source, m_line, QStringLiteral("第 %1 个对象处应是 %2").arg(m_index).arg(what));
    }
    void Skip() {
        while (m_i < m_b.size()) {
            const char c = m_b[m_i];
            if (c == '\n') ++m_line;
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return;
            ++m_i;
        }
    }
    bool Take(char c) {
        if (m_i < m_b.size() && m_b[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    bool TakeWord(const char* word) {
        const qsizetype len = qsizetype(qstrlen(word));
        if (m_b.mid(m_i, len) != word) return false;
        m_i += len;
        return true;
    }

    QString ReadString() {
        if (!Take('"')) Expected(QStringLiteral("带引号的字符串"));
        QString out;
        qsizetype start = m_i;
        while (true) {
            if (m_i >= m_b.size()) Fail(m_source, m_line, QStringLiteral("字符串没有结束"));
            const unsigned char c = uchar(m_b[m_i]);
            if (c == '"') break;
            if (c < 0x20) Fail(m_source, m_line, QStringLiteral("字符串中有未转义的控制字符"));
            if (c != '\\') {
                ++m_i;
                continue;
            }
            out += QString::fromUtf8(m_b.mid(start, m_i - start));
            ++m_i;
            if (m_i >= m_b.size()) Fail(m_source, m_line, QStringLiteral("字符串没有结束"));
            const char e = m_b[m_i++];
            switch (e) {
            case '"':
                out += u'"';
                break;
            case '\\':
                out += u'\\';
                break;
            case '/':
                out += u'/';
                break;
            case 'b':
                out += u'\b';
                break;
            case 'f':
                out += u'\f';
                break;
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case 't':
                out += u'\t';
                break;
            case 'u': {
                char32_t u = Hex4();
                if (u >= 0xD800 && u <= 0xDBFF) {
                    if (!TakeWord("\\u")) Fail(m_source, m_line, QStringLiteral("代理对不完整"));
                    const char32_t low = Hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        Fail(m_source, m_line, QStringLiteral("代理对不完整"));
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                } else if (u >= 0xDC00 && u <= 0xDFFF) {
                    Fail(m_source, m_line, QStringLiteral("代理对不完整"));
                }
                out += QString::fromUcs4(&u, 1);
                break;
            }
            default:
                Fail(m_source, m_line,
                     QStringLiteral("字符串中有无效的转义“\\%1”").arg(QChar::fromLatin1(e)));
            }
            start = m_i;
        }
        out += QString::fromUtf8(m_b.mid(start, m_i - start));
        ++m_i; // the closing quote
        return out;
    }
    char32_t Hex4() {
        char32_t v = 0;
        for (int k = 0; k < 4; ++k, ++m_i) {
            const char c = m_i < m_b.size() ? m_b[m_i] : '\0';
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) Fail(m_source, m_line, QStringLiteral("\\u 后应是四位十六进制数"));
            v = v * 16 + char32_t(digit);
        }
        return v;
    }
    // The number's text exactly as written, checked against JSON's grammar.
    bool ReadNumber(QString* text) {
        const qsizetype start = m_i;
        Take('-');
        const auto digits = [&] {
            const qsizetype from = m_i;
            while (m_i < m_b.size() && m_b[m_i] >= '0' && m_b[m_i] <= '9')
                ++m_i;
            return m_i - from;
        };
        const qsizetype intStart = m_i;
        const qsizetype whole = digits();
        if (whole == 0 || (whole > 1 && m_b[intStart] == '0')) return false;
        if (Take('.') && digits() == 0) return false;
        if (Take('e') || Take('E')) {
            if (!Take('+')) Take('-');
            if (digits() == 0) return false;
        }
        *text = QString::fromLatin1(m_b.mid(start, m_i - start));
        return true;
    }

    void ReadObject(FileTable& t) {
        const int objectLine = m_line;
        if (!Take('{')) Expected(QStringLiteral("对象（{…}）"));
        QVector<QVariant> row(t.fields.size());
        QVector<bool> present(t.fields.size(), false);
        Skip();
        if (!Take('}')) {
            while (true) {
                Skip();
                const QString key = ReadString();
                if (key.trimmed().isEmpty())
                    Fail(m_source, m_line, QStringLiteral("第 %1 个对象有空的字段名").arg(m_index));
                Skip();
                if (!Take(':')) Expected(QStringLiteral("“:”"));
                Skip();
                int column = -1;
                for (int c = 0; c < t.fields.size(); ++c)
                    if (t.fields[c].name.compare(key, Qt::CaseInsensitive) == 0) column = c;
                if (column < 0) {
                    column = int(t.fields.size());
                    t.fields.append(FieldDef{key, FieldKind::Other, false});
                    for (QVector<QVariant>& r : t.rows)
                        r.append(QVariant());
                    for (QVector<bool>& p : t.present)
                        p.append(false);
                    row.append(QVariant());
                    present.append(false);
                }
                if (present[column])
                    Fail(m_source, m_line,
                         QStringLiteral("第 %1 个对象的字段 %2 重复").arg(m_index).arg(key));
                present[column] = true;
                row[column] = ReadValue(key, column, int(t.rows.size()));
                Skip();
                if (Take('}')) break;
                if (!Take(',')) Expected(QStringLiteral("“,”或“}”"));
            }
        }
        t.rows.append(row);
        t.present.append(present);
        t.lines.append(objectLine);
        ++m_index;
    }

    QVariant ReadValue(const QString& key, int column, int row) {
        if (m_i >= m_b.size()) Fail(m_source, m_line, QStringLiteral("内容不完整"));
        const char c = m_b[m_i];
        if (c == '"') return ReadString();
        if (c == '{' || c == '[')
            Fail(m_source, m_line,
                 QStringLiteral(
                     "第 %1 个对象的字段 %2 不是简单值（对象必须是扁平的，不能嵌套对象或数组）")
                     .arg(m_index)
                     .arg(key));
        if (TakeWord("null")) return QVariant();
        if (TakeWord("true")) return QVariant(true);
        if (TakeWord("false")) return QVariant(false);
        QString number;
        if (!ReadNumber(&number))
            Fail(m_source, m_line,
                 QStringLiteral("第 %1 个对象的字段 %2 的值无效").arg(m_index).arg(key));
        m_numbers.insert(qint64(row) << 32 | column);
        return number;
    }

    const QByteArray& m_b;
    QString m_source;
    qsizetype m_i = 0;
    int m_line = 1;
    int m_index = 0; // objects are counted from 0, as JSON tools index arrays
    QSet<qint64> m_numbers;
};

} // namespace

FileTable ReadJson(const QByteArray& bytes, const QString& source) {
    const QByteArray b = Utf8Body(bytes, source);
    return JsonReader(b, source).Read();
}

// ---- the data set ----

TFileDataSet::TFileDataSet(QObject* parent) : TDataSet(parent) {}

bool TFileDataSet::ParseSource(const QString& text, Format* format, QString* file) {
    for (const auto& [prefix, f] : {std::pair{QLatin1String("csv:"), Format::Csv},
                                    std::pair{QLatin1String("json:"), Format::Json}}) {
        if (text.startsWith(prefix, Qt::CaseInsensitive) && text.size() > prefix.size()) {
            *format = f;
            *file = text.mid(prefix.size());
            return true;
        }
    }
    return false;
}

bool TFileDataSet::IsFileSource(const QString& text) {
    Format format;
    QString file;
    return ParseSource(text, &format, &file);
}

void TFileDataSet::SetSource(Format format, const QString& file) {
    Close();
    m_format = format;
    m_file = file;
}

void TFileDataSet::DoOpen() {
    Read(true);
}

void TFileDataSet::DoClose() {
    m_rows.clear();
    m_present.clear();
    m_lines.clear();
}

void TFileDataSet::DoUpdateFieldDefs() {
    Read(false);
}

void TFileDataSet::Read(bool readRows) {
    QFile file(m_file);
    QString why;
    if (!OpenForReading(file, &why))
        throw KarvellError(
            QStringLiteral("数据集 %1 无法读取数据文件 %2：%3").arg(DisplayName(), m_file, why));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KarvellError(QStringLiteral("数据集 %1 无法读取数据文件 %2：%3")
                               .arg(DisplayName(), m_file, file.errorString()));
    FileTable t = m_format == Format::Csv ? ReadCsv(bytes, m_file) : ReadJson(bytes, m_file);
    m_fields = t.fields;
    if (!readRows) return;
    m_rows = std::move(t.rows);
    m_present = std::move(t.present);
    m_lines = std::move(t.lines);
}

void TFileDataSet::RequireFields(const QStringList& names) const {
    for (const QString& name : names) {
        const int column = FindField(name);
        if (m_format == Format::Csv || column < 0) {
            if (column < 0 && m_format == Format::Csv)
                Fail(m_file, 1,
                     QStringLiteral("没有模板使用的字段 %1（第一行的字段名中没有）").arg(name));
            if (column < 0)
                Fail(m_file, m_lines.value(0, 1),
                     m_present.isEmpty()
                         ? QStringLiteral("数组中没有对象，也就没有模板使用的字段 %1").arg(name)
                         : QStringLiteral("第 0 个对象没有模板使用的字段 %1").arg(name));
            continue;
        }
        for (int r = 0; r < m_present.size(); ++r)
            if (!m_present[r].value(column))
                Fail(m_file, m_lines.value(r),
                     QStringLiteral("第 %1 个对象没有模板使用的字段 %2").arg(r).arg(name));
    }
}

} // namespace karvell
