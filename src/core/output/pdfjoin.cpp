#include "output/pdfjoin.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "output/pdftext.h"
#include "platform/error.h"

namespace karvell {
namespace {

constexpr int kEntry = 20;         // "oooooooooo ggggg n \n"
constexpr qint64 kTail = 1024;     // "startxref" and its number are within the file's last bytes
constexpr qint64 kHeadRead = 4096; // enough of an object to hold a font's dictionary

// The output goes out in pieces of about this size.
constexpr qsizetype kWriteChunk = 1 << 20;

QByteArray ReadAt(QIODevice& device, qint64 at, qint64 size) {
    QByteArray bytes;
    if (device.seek(at)) bytes = device.read(size);
    if (bytes.size() != size)
        throw KarvellError(QStringLiteral("无法读取 PDF 部分：%1").arg(device.errorString()));
    return bytes;
}

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

struct Part {
    QIODevice* device = nullptr;
    qint64 xref = 0;                                 // offset of "xref"
    std::vector<qint64> objects;                     // offset of object n, 0 for a free entry
    std::vector<std::pair<qint64, int>> inFileOrder; // (offset, n) of the objects in use
    int root = 0, info = 0, pages = 0;
    QByteArray id; // the trailer's file identifier line ("/ID [ <…> <…> ]\n"), PDF/A has one

    qint64 FirstObject() const { return inFileOrder.empty() ? xref : inFileOrder.front().first; }
    // Where the k-th object in file order ends: at the next object (or the table).
    qint64 End(size_t k) const {
        return k + 1 < inFileOrder.size() ? inFileOrder[k + 1].first : xref;
    }
    // One object's bytes, the k-th in file order.
    QByteArray Object(size_t k) const {
        const qint64 at = inFileOrder[k].first;
        return ReadAt(*device, at, End(k) - at);
    }
    QByteArray ObjectNumbered(int n) const {
        const auto it = std::lower_bound(inFileOrder.begin(), inFileOrder.end(),
                                         std::make_pair(objects[size_t(n)], 0));
        return Object(size_t(it - inFileOrder.begin()));
    }
};

// The table and trailer of a part; the page tree only where `needPages` (a join).
std::optional<Part> Parse(QIODevice& device, bool needPages) {
    Part p;
    p.device = &device;
    const qint64 size = device.size();
    const qint64 tailAt = std::max<qint64>(0, size - kTail);
    const QByteArray tail = ReadAt(device, tailAt, size - tailAt);
    const qsizetype startxrefInTail = tail.lastIndexOf("startxref\n");
    if (startxrefInTail < 0) return std::nullopt;
    const qint64 startxref = tailAt + startxrefInTail;
    const auto xref = NumberAt(tail, startxrefInTail + 10);
    if (!xref || *xref <= 0 || *xref >= startxref) return std::nullopt;
    p.xref = *xref;
    // The table and the trailer: from "xref" to "startxref".
    const QByteArray table = ReadAt(device, p.xref, startxref - p.xref);
    if (!table.startsWith("xref\n0 ")) return std::nullopt;
    const auto count = NumberAt(table, 7);
    if (!count || *count < 1 || *count > 10000000) return std::nullopt;
    qsizetype at = table.indexOf('\n', 7) + 1;
    if (at <= 0 || at + *count * kEntry > table.size()) return std::nullopt;
    p.objects.assign(size_t(*count), 0);
    for (qint64 i = 0; i < *count; ++i, at += kEntry) {
        if (table[at + 17] != 'n') continue;
        const auto offset = NumberAt(table, at);
        if (!offset || *offset <= 0 || *offset >= p.xref) return std::nullopt;
        p.objects[size_t(i)] = *offset;
        p.inFileOrder.emplace_back(*offset, int(i));
    }
    std::sort(p.inFileOrder.begin(), p.inFileOrder.end());
    for (size_t k = 1; k < p.inFileOrder.size(); ++k)
        if (p.inFileOrder[k].first == p.inFileOrder[k - 1].first) return std::nullopt;
    const QByteArray trailer = table.mid(at);
    p.root = Reference(trailer, "Root");
    p.info = Reference(trailer, "Info");
    static const QRegularExpression idRe(
        QStringLiteral("/ID \\[ <[0-9a-fA-F]*> <[0-9a-fA-F]*> \\]\n"));
    if (const auto m = idRe.match(QString::fromLatin1(trailer)); m.hasMatch())
        p.id = m.captured(0).toLatin1();
    const auto inUse = [&p](int n) {
        return n > 0 && size_t(n) < p.objects.size() && p.objects[size_t(n)];
    };
    if (p.root && !inUse(p.root)) return std::nullopt;
    if (p.info && !inUse(p.info)) return std::nullopt;
    if (needPages) {
        if (!p.root) return std::nullopt;
        p.pages = Reference(p.ObjectNumbered(p.root), "Pages");
        if (!inUse(p.pages)) return std::nullopt;
    }
    return p;
}

// The object renumbered by `shift`: its header and every reference outside a stream's data.
QByteArray Renumbered(const QByteArray& object, int n, int shift) {
    static const QRegularExpression reference(QStringLiteral("(?<![0-9.])(\\d+) 0 R(?![A-Za-z])"));
    const QByteArray head = QByteArray::number(n) + " 0 obj\n";
    if (!object.startsWith(head)) return {};
    if (shift == 0) return object;
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

// The objects of a part that its font dictionaries name as ToUnicode maps. Qt writes a map
// before the dictionary that names it, so the part is looked through first.
QSet<int> ToUnicodeMaps(const Part& p) {
    QSet<int> maps;
    for (size_t k = 0; k < p.inFileOrder.size(); ++k) {
        const qint64 at = p.inFileOrder[k].first;
        const QByteArray head = ReadAt(*p.device, at, std::min(p.End(k) - at, kHeadRead));
        if (head.contains(">>\nstream\n")) continue; // no font dictionary holds a stream
        for (int map : ToUnicodeReferences(head))
            maps.insert(map);
    }
    return maps;
}

// The output in pieces, with the place reached.
class Output {
public:
    explicit Output(const std::function<void(const QByteArray&)>& write) : m_write(write) {}
    void Add(const QByteArray& bytes) {
        m_pending += bytes;
        m_at += bytes.size();
        if (m_pending.size() >= kWriteChunk) Flush();
    }
    void Flush() {
        if (m_pending.isEmpty()) return;
        m_write(m_pending);
        m_pending.clear();
    }
    qint64 At() const { return m_at; }

private:
    const std::function<void(const QByteArray&)>& m_write;
    QByteArray m_pending;
    qint64 m_at = 0;
};

} // namespace

bool WriteJoinedPdf(const QList<QIODevice*>& devices, const PdfTextFixes& fixes,
                    const std::function<void(const QByteArray&)>& write) {
    if (devices.isEmpty()) return false;
    const bool join = devices.size() > 1;
    std::vector<Part> parts;
    for (QIODevice* device : devices) {
        auto p = Parse(*device, join);
        if (!p) return false;
        parts.push_back(std::move(*p));
    }

    Output out(write);
    const Part& first = parts.front();
    out.Add(ReadAt(*first.device, 0, first.FirstObject())); // the header
    std::vector<qint64> offsets = {0};
    QList<int> laterTrees; // the page trees of the later parts, renumbered
    SubsetTags tags;
    for (size_t i = 0; i < parts.size(); ++i) {
        const Part& p = parts[i];
        const int shift = int(offsets.size()) - 1;
        offsets.resize(offsets.size() + p.objects.size() - 1, 0);
        const QSet<int> maps = fixes.aliases.isEmpty() ? QSet<int>() : ToUnicodeMaps(p);
        for (size_t k = 0; k < p.inFileOrder.size(); ++k) {
            const int n = p.inFileOrder[k].second;
            if (n == 0) return false; // the free head of the list is no object
            QByteArray object = Renumbered(p.Object(k), n, shift);
            if (object.isEmpty()) return false;
            if (i > 0 && n == p.pages) {
                // The part's page tree becomes a node of the first part's tree.
                const qsizetype dict = object.indexOf("<<\n");
                if (dict < 0) return false;
                object.insert(dict + 3, "/Parent " + QByteArray::number(first.pages) + " 0 R\n");
                laterTrees.append(n + shift);
            }
            if (maps.contains(n)) object = RewriteToUnicodeObject(object, fixes.aliases);
            if (fixes.tagSubsets) object = tags.Apply(object);
            offsets[size_t(n) + size_t(shift)] = out.At();
            out.Add(object);
        }
    }

    if (join) {
        // The first part's page tree, written again with the later trees among its kids and
        // every page counted; the table points at this copy.
        QByteArray tree = first.ObjectNumbered(first.pages);
        static const QRegularExpression countRe(QStringLiteral("/Count (\\d+)"));
        qint64 total = 0;
        for (const Part& p : parts) {
            const auto m = countRe.match(QString::fromLatin1(p.ObjectNumbered(p.pages)));
            if (!m.hasMatch()) return false;
            total += m.captured(1).toLongLong();
        }
        const qsizetype kidsEnd = tree.indexOf("]\n/Count ");
        const qsizetype countAt = kidsEnd + 9;
        const auto oldCount = NumberAt(tree, countAt);
        if (kidsEnd < 0 || !oldCount) return false;
        QByteArray kids;
        for (int n : std::as_const(laterTrees))
            kids += QByteArray::number(n) + " 0 R\n";
        tree.replace(countAt, QByteArray::number(*oldCount).size(), QByteArray::number(total));
        tree.insert(kidsEnd, kids);
        offsets[size_t(first.pages)] = out.At();
        out.Add(tree);
    }

    const qint64 xref = out.At();
    QByteArray table = "xref\n0 " + QByteArray::number(qsizetype(offsets.size())) + '\n';
    table += "0000000000 65535 f \n";
    for (size_t n = 1; n < offsets.size(); ++n) {
        if (offsets[n])
            table += QByteArray::number(offsets[n]).rightJustified(10, '0') + " 00000 n \n";
        else
            table += "0000000000 00000 f \n";
        if (table.size() >= kWriteChunk) {
            out.Add(table);
            table.clear();
        }
    }
    table += "trailer\n<<\n/Size " + QByteArray::number(qsizetype(offsets.size())) + " \n";
    if (first.info) table += "/Info " + QByteArray::number(first.info) + " 0 R\n";
    if (first.root) table += "/Root " + QByteArray::number(first.root) + " 0 R\n";
    table += first.id + ">>\nstartxref\n" + QByteArray::number(xref) + " \n%%EOF\n";
    out.Add(table);
    out.Flush();
    return true;
}

std::optional<QByteArray> JoinPdfsInMemory(const QList<QByteArray>& inputs,
                                           const PdfTextFixes& fixes) {
    std::vector<std::unique_ptr<QBuffer>> buffers;
    QList<QIODevice*> devices;
    for (const QByteArray& input : inputs) {
        buffers.push_back(std::make_unique<QBuffer>());
        buffers.back()->setData(input);
        buffers.back()->open(QIODevice::ReadOnly);
        devices.append(buffers.back().get());
    }
    QByteArray joined;
    try {
        if (WriteJoinedPdf(devices, fixes, [&joined](const QByteArray& bytes) { joined += bytes; }))
            return joined;
    } catch (const KarvellError&) {
        // a part shorter than its table says
    }
    return std::nullopt;
}

QByteArray JoinQtPdfs(const QList<QByteArray>& inputs) {
    if (inputs.size() == 1) return inputs.front();
    return JoinPdfsInMemory(inputs, PdfTextFixes{{}, false}).value_or(QByteArray());
}

} // namespace karvell
