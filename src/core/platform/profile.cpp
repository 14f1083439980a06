#include "platform/profile.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include "platform/atomicfile.h"
#include "platform/error.h"
#include <optional>

#include "platform/fileopen.h"

namespace karvell::Profile {
namespace {

constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;

bool EqualsIgnoringAsciiCase(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

QByteArrayView Trim(QByteArrayView v) {
    qsizetype b = 0, e = v.size();
    while (b < e && (v[b] == ' ' || v[b] == '\t'))
        ++b;
    while (e > b && (v[e - 1] == ' ' || v[e - 1] == '\t'))
        --e;
    return v.sliced(b, e - b);
}

// One line of the file: its text without the line end, and where the next line starts.
struct Line {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

enum class LineKind { Other, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    QByteArrayView name;  // section or key name, trimmed
    QByteArrayView value; // key value, trimmed
};

class IniText {
public:
    explicit IniText(QByteArray data) : m_data(std::move(data)) {
        qsizetype pos = 0;
        // A UTF-8 signature in front of the first line is not part of it.
        if (m_data.startsWith("\xEF\xBB\xBF")) pos = 3;
        while (pos < m_data.size()) {
            qsizetype nl = m_data.indexOf('\n', pos);
            Line line;
            line.start = pos;
            line.next = nl < 0 ? m_data.size() : nl + 1;
            line.end = nl < 0 ? m_data.size() : nl;
            if (line.end > line.start && m_data[line.end - 1] == '\r') --line.end;
            m_lines.append(line);
            pos = line.next;
        }
    }

    const QByteArray& data() const { return m_data; }
    const QList<Line>& lines() const { return m_lines; }

    LineInfo Info(qsizetype index) const {
        const Line& l = m_lines[index];
        const QByteArrayView text = Trim(QByteArrayView(m_data).sliced(l.start, l.end - l.start));
        LineInfo info;
        if (text.startsWith('[')) {
            qsizetype close = text.indexOf(']');
            if (close < 0) close = text.size();
            info.kind = LineKind::Section;
            info.name = Trim(text.sliced(1, close - 1));
        } else if (!text.startsWith(';')) {
            const qsizetype eq = text.indexOf('=');
            if (eq > 0) {
                info.kind = LineKind::Key;
                info.name = Trim(text.first(eq));
                info.value = Trim(text.sliced(eq + 1));
            }
        }
        return info;
    }

    // Index of the first section header of that name, or -1.
    qsizetype FindSection(QByteArrayView section) const {
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            const LineInfo info = Info(i);
            if (info.kind == LineKind::Section && EqualsIgnoringAsciiCase(info.name, section))
                return i;
        }
        return -1;
    }

    // Index of the first key line of that name in the section starting at line `section`, or -1.
    // `*lastContent` receives the section's last non-empty line.
    qsizetype FindKey(qsizetype section, QByteArrayView key, qsizetype* lastContent) const {
        *lastContent = section;
        for (qsizetype i = section + 1; i < m_lines.size(); ++i) {
            const LineInfo info = Info(i);
            if (info.kind == LineKind::Section) break;
            if (info.kind == LineKind::Key && EqualsIgnoringAsciiCase(info.name, key)) return i;
            if (m_lines[i].end > m_lines[i].start) *lastContent = i;
        }
        return -1;
    }

    // The line end the file already uses; CR LF for a new file.
    QByteArray Eol() const {
        const qsizetype nl = m_data.indexOf('\n');
        if (nl < 0 || (nl > 0 && m_data[nl - 1] == '\r')) return "\r\n";
        return "\n";
    }

private:
    QByteArray m_data;
    QList<Line> m_lines;
};

// The file's bytes; empty when it does not exist, nothing when it exists but cannot be read.
std::optional<QByteArray> ReadFile(const QString& file) {
    QFile f(file);
    if (!f.exists()) return QByteArray();
    // Never blocks on a FIFO; devices and folders are not read.
    QString why;
    if (!OpenForReading(f, &why) || f.size() > kMaxFileSize) return std::nullopt;
    QByteArray data;
    for (QByteArray piece; !(piece = f.read(1 << 16)).isEmpty();) {
        data += piece;
        if (data.size() > kMaxFileSize) return std::nullopt;
    }
    return data;
}

std::optional<QByteArray> Lookup(const QString& file, const QByteArray& section,
                                 const QByteArray& key) {
    const std::optional<QByteArray> data = ReadFile(file);
    if (!data || data->isEmpty()) return std::nullopt;
    const IniText ini(*data);
    const qsizetype s = ini.FindSection(section);
    if (s < 0) return std::nullopt;
    qsizetype last = 0;
    const qsizetype k = ini.FindKey(s, key, &last);
    if (k < 0) return std::nullopt;
    QByteArrayView value = ini.Info(k).value;
    // As the profile functions do, one pair of enclosing quotes is not part of the value.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.toByteArray();
}

} // namespace

int ReadInt(const QString& file, const QByteArray& section, const QByteArray& key, int def) {
    const std::optional<QByteArray> value = Lookup(file, section, key);
    // An empty value reads as missing, as with the profile functions.
    if (!value || value->isEmpty()) return def;
    qsizetype i = 0;
    bool negative = false;
    if (i < value->size() && ((*value)[i] == '-' || (*value)[i] == '+')) {
        negative = (*value)[i] == '-';
        ++i;
    }
    uint32_t n = 0; // wraps like the platform's conversion instead of overflowing
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i)
        n = n * 10u + uint32_t((*value)[i] - '0');
    return int(negative ? 0u - n : n);
}

QByteArray ReadString(const QString& file, const QByteArray& section, const QByteArray& key,
                      const QByteArray& def) {
    return Lookup(file, section, key).value_or(def);
}

bool WriteString(const QString& file, const QByteArray& section, const QByteArray& key,
                 const QByteArray& value, QString* error) {
    const std::optional<QByteArray> data = ReadFile(file);
    if (!data) { // unreadable: writing would lose what is there
        if (error) *error = QStringLiteral("无法读取文件“%1”").arg(file);
        return false;
    }
    const IniText ini(*data);
    const QByteArray eol = ini.Eol();
    const QByteArray& old = ini.data();
    QByteArray out;
    const qsizetype s = ini.FindSection(section);
    if (s < 0) {
        out = old;
        if (!out.isEmpty() && !out.endsWith('\n')) out += eol;
        if (!out.isEmpty()) out += eol;
        out += '[' + section + ']' + eol + key + '=' + value + eol;
    } else {
        qsizetype lastContent = s;
        const qsizetype k = ini.FindKey(s, key, &lastContent);
        if (k >= 0) {
            const LineInfo info = ini.Info(k);
            if (info.value == value && QFileInfo::exists(file)) return true;
            const Line& line = ini.lines()[k];
            out = old.left(line.start) + info.name.toByteArray() + '=' + value + old.mid(line.end);
        } else {
            const Line& line = ini.lines()[lastContent];
            const bool terminated = line.next > line.end;
            out = old.left(line.next);
            if (!terminated) out += eol;
            out += key + '=' + value + eol + old.mid(line.next);
        }
    }
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error) *error = QStringLiteral("无法创建文件夹“%1”").arg(info.absolutePath());
        return false;
    }
    try {
        WriteFileAtomic(file, out);
    } catch (const KarvellError& e) {
        if (error) *error = e.message();
        return false;
    }
    return true;
}

} // namespace karvell::Profile
