// JSON files: an array of flat objects as a table of field definitions and rows. A reader of
// its own, because Qt's JSON values hold numbers as doubles; here a number keeps the digits
// the file gives.
#include <QSet>

#include "filedataset.h"
#include "filetext.h"

namespace karvell {

using filetext::Fail;

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
    const QByteArray b = filetext::Utf8Body(bytes, source);
    return JsonReader(b, source).Read();
}

} // namespace karvell
