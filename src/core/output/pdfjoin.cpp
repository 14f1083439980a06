#include "output/pdfjoin.h"

#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <vector>

namespace karvell {
namespace {

constexpr int kEntry = 20; // "oooooooooo ggggg n \n"

struct Part {
    QByteArray data;
    qsizetype xref = 0;             // offset of "xref"
    std::vector<qsizetype> objects; // offset of object n, 0 for a free entry
    std::vector<qsizetype> sorted;  // the offsets in file order
    int root = 0, info = 0, pages = 0;
    QByteArray id; // the trailer's file identifier line ("/ID [ <…> <…> ]\n"), PDF/A has one
};

std::optional<qint64> NumberAt(const QByteArray& data, qsizetype at) {
    qsizetype end = at;
    while (end < data.size() && data[end] >= '0' && data[end] <= '9' && end - at < 12)
        ++end;
    if (end == at) return std::nullopt;
    return data.mid(at, end - at).toLongLong();
}

// "/Key N 0 R" inside `text`.
int Reference(const QByteArray& text, const char* key) {
    const QRegularExpression re(QStringLiteral("/%1 (\\d+) 0 R").arg(QLatin1String(key)));
    const auto m = re.match(QString::fromLatin1(text));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// One object's bytes: from its offset to the next object (or the table).
QByteArray ObjectBytes(const Part& p, int n) {
    const qsizetype at = p.objects[size_t(n)];
    const auto next = std::upper_bound(p.sorted.begin(), p.sorted.end(), at);
    const qsizetype end = next == p.sorted.end() ? p.xref : *next;
    return p.data.mid(at, end - at);
}

std::optional<Part> Parse(const QByteArray& data) {
    Part p;
    p.data = data;
    const qsizetype startxref = data.lastIndexOf("startxref\n");
    if (startxref < 0) return std::nullopt;
    const auto xref = NumberAt(data, startxref + 10);
    if (!xref || *xref <= 0 || *xref >= startxref || data.mid(*xref, 5) != "xref\n")
        return std::nullopt;
    p.xref = qsizetype(*xref);
    qsizetype at = p.xref + 5;
    if (data.mid(at, 2) != "0 ") return std::nullopt;
    const auto count = NumberAt(data, at + 2);
    if (!count || *count < 1 || *count > 10000000) return std::nullopt;
    at = data.indexOf('\n', at) + 1;
    if (at <= 0 || at + *count * kEntry > startxref) return std::nullopt;
    p.objects.assign(size_t(*count), 0);
    for (qint64 i = 0; i < *count; ++i, at += kEntry) {
        if (data[at + 17] != 'n') continue;
        const auto offset = NumberAt(data, at);
        if (!offset || *offset <= 0 || *offset >= p.xref) return std::nullopt;
        p.objects[size_t(i)] = qsizetype(*offset);
    }
    const QByteArray trailer = data.mid(at, startxref - at);
    p.root = Reference(trailer, "Root");
    p.info = Reference(trailer, "Info");
    static const QRegularExpression idRe(
        QStringLiteral("/ID \\[ <[0-9a-fA-F]*> <[0-9a-fA-F]*> \\]\n"));
    if (const auto m = idRe.match(QString::fromLatin1(trailer)); m.hasMatch())
        p.id = m.captured(0).toLatin1();
    if (p.root <= 0 || p.root >= *count || !p.objects[size_t(p.root)]) return std::nullopt;
    for (qsizetype o : p.objects)
        if (o) p.sorted.push_back(o);
    std::sort(p.sorted.begin(), p.sorted.end());
    p.pages = Reference(ObjectBytes(p, p.root), "Pages");
    if (p.pages <= 0 || p.pages >= *count || !p.objects[size_t(p.pages)]) return std::nullopt;
    return p;
}

// The object renumbered by `shift`: its header and every reference outside a stream's data.
QByteArray Renumbered(const QByteArray& object, int n, int shift) {
    static const QRegularExpression reference(QStringLiteral("(?<![0-9.])(\\d+) 0 R(?![A-Za-z])"));
    const QByteArray head = QByteArray::number(n) + " 0 obj\n";
    if (!object.startsWith(head)) return {};
    qsizetype textEnd = object.size();
    qsizetype dataEnd = object.size();
    const qsizetype stream = object.indexOf(">>\nstream\n");
    if (stream >= 0) {
        textEnd = stream + 10;
        dataEnd = object.lastIndexOf("endstream\nendobj");
        if (dataEnd < textEnd) return {};
    }
    const QString text = QString::fromLatin1(object.mid(head.size(), textEnd - head.size()));
    QByteArray out = QByteArray::number(n + shift) + " 0 obj\n";
    qsizetype last = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += text.mid(last, m.capturedStart() - last).toLatin1();
        out += QByteArray::number(m.captured(1).toInt() + shift) + " 0 R";
        last = m.capturedEnd();
    }
    out += text.mid(last).toLatin1();
    out += object.mid(textEnd);
    return out;
}

} // namespace

QByteArray JoinQtPdfs(const QList<QByteArray>& inputs) {
    if (inputs.isEmpty()) return {};
    if (inputs.size() == 1) return inputs.front();
    std::vector<Part> parts;
    for (const QByteArray& data : inputs) {
        auto p = Parse(data);
        if (!p) return {};
        parts.push_back(std::move(*p));
    }

    const Part& first = parts.front();
    QByteArray out = first.data.left(first.xref);
    std::vector<qsizetype> offsets(first.objects.begin(), first.objects.end());
    QList<int> laterTrees; // the page trees of the later parts, renumbered
    int shift = int(first.objects.size()) - 1;
    for (size_t i = 1; i < parts.size(); ++i) {
        const Part& p = parts[i];
        for (int n = 1; n < int(p.objects.size()); ++n) {
            if (!p.objects[size_t(n)]) {
                offsets.push_back(0);
                continue;
            }
            QByteArray object = Renumbered(ObjectBytes(p, n), n, shift);
            if (object.isEmpty()) return {};
            if (n == p.pages) {
                // The part's page tree becomes a node of the first part's tree.
                const qsizetype dict = object.indexOf("<<\n");
                if (dict < 0) return {};
                object.insert(dict + 3, "/Parent " + QByteArray::number(first.pages) + " 0 R\n");
                laterTrees.append(n + shift);
            }
            offsets.push_back(out.size());
            out += object;
        }
        shift += int(p.objects.size()) - 1;
    }

    // The first part's page tree, written again with the later trees among its kids and every
    // page counted; the table points at this copy.
    QByteArray tree = ObjectBytes(first, first.pages);
    static const QRegularExpression countRe(QStringLiteral("/Count (\\d+)"));
    qint64 total = 0;
    for (const Part& p : parts) {
        const auto m = countRe.match(QString::fromLatin1(ObjectBytes(p, p.pages)));
        if (!m.hasMatch()) return {};
        total += m.captured(1).toLongLong();
    }
    const qsizetype kidsEnd = tree.indexOf("]\n/Count ");
    const qsizetype countAt = kidsEnd + 9;
    const auto oldCount = NumberAt(tree, countAt);
    if (kidsEnd < 0 || !oldCount) return {};
    QByteArray kids;
    for (int n : std::as_const(laterTrees))
        kids += QByteArray::number(n) + " 0 R\n";
    tree.replace(countAt, QByteArray::number(*oldCount).size(), QByteArray::number(total));
    tree.insert(kidsEnd, kids);
    offsets[size_t(first.pages)] = out.size();
    out += tree;

    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(qsizetype(offsets.size())) + '\n';
    out += "0000000000 65535 f \n";
    for (size_t n = 1; n < offsets.size(); ++n) {
        if (offsets[n])
            out += QByteArray::number(offsets[n]).rightJustified(10, '0') + " 00000 n \n";
        else
            out += "0000000000 00000 f \n";
    }
    out += "trailer\n<<\n/Size " + QByteArray::number(qsizetype(offsets.size())) + " \n/Info " +
           QByteArray::number(first.info) + " 0 R\n/Root " + QByteArray::number(first.root) +
           " 0 R\n" + first.id + ">>\nstartxref\n" + QByteArray::number(xref) + " \n%%EOF\n";
    return out;
}

} // namespace karvell
