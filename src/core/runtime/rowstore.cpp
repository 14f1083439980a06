#include "runtime/rowstore.h"

#include <QDate>
#include <QTemporaryFile>
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/error.h"
#include "platform/scratchfile.h"

namespace karvell {
namespace {

enum Tag : char {
    Invalid,  // QVariant()
    Null,     // a null value of a type: the type's id follows
    Int,      // qint32
    LongLong, // qint64
    Double,   // double
    Bool,     // one byte
    Text,     // a QString, not null: quint32 length, then UTF-16 units
    Bytes,    // a QByteArray, not null: quint32 length, then the bytes
    Date,     // qint64 Julian day of a valid date
    Other,    // quint32 index into m_other
};

constexpr qsizetype kLongest = 0xFFFFFFFF; // longer texts are kept beside

template <typename T> void Put(QByteArray& bytes, T value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T> T Get(const QByteArray& bytes, qsizetype at) {
    T value;
    std::memcpy(&value, bytes.constData() + at, sizeof value);
    return value;
}

// The value a variant holds, without a copy.
template <typename T> const T& Held(const QVariant& v) {
    return *static_cast<const T*>(v.constData());
}

// Bytes a value takes after its tag.
qsizetype PayloadSize(const QByteArray& bytes, qsizetype at, char tag) {
    switch (tag) {
    case Null:
    case Int:
    case Other:
        return 4;
    case LongLong:
    case Double:
    case Date:
        return 8;
    case Bool:
        return 1;
    case Text:
    case Bytes: {
        const quint32 length = Get<quint32>(bytes, at);
        return 4 + qsizetype(length) * (tag == Text ? 2 : 1);
    }
    default:
        return 0;
    }
}

} // namespace

TRowStore::TRowStore(qsizetype residentBytes)
    : m_residentLimit(qMax<qsizetype>(residentBytes, 0)),
      // A sixteenth of the limit: small enough that the blocks in memory stay near the
      // limit, large enough that reading a block back serves many rows.
      m_blockSize(qMax<qsizetype>(m_residentLimit / 16, 1)) {}

TRowStore::~TRowStore() = default;
// A store moved from is an empty one, ready for rows again.
TRowStore::TRowStore(TRowStore&& other) noexcept : TRowStore(other.m_residentLimit) {
    Swap(other);
}

TRowStore& TRowStore::operator=(TRowStore&& other) noexcept {
    TRowStore taken(std::move(other));
    Swap(taken);
    return *this;
}

void TRowStore::Swap(TRowStore& other) noexcept {
    std::swap(m_residentLimit, other.m_residentLimit);
    std::swap(m_blockSize, other.m_blockSize);
    m_tail.swap(other.m_tail);
    std::swap(m_tailFirstRow, other.m_tailFirstRow);
    m_blocks.swap(other.m_blocks);
    std::swap(m_resident, other.m_resident);
    m_rowOffset.swap(other.m_rowOffset);
    m_other.swap(other.m_other);
    m_file.swap(other.m_file);
    std::swap(m_loadedBlock, other.m_loadedBlock);
    m_loaded.swap(other.m_loaded);
    std::swap(m_decodedRow, other.m_decodedRow);
    m_decoded.swap(other.m_decoded);
}

TRowStore TRowStore::From(const QVector<QVector<QVariant>>& rows) {
    TRowStore store;
    for (const QVector<QVariant>& row : rows)
        store.Append(row);
    return store;
}

void TRowStore::Clear() {
    TRowStore empty(m_residentLimit);
    Swap(empty);
}

void TRowStore::Append(const QVector<QVariant>& row) {
    m_rowOffset.push_back(quint32(m_tail.size()));
    QByteArray& bytes = m_tail;
    Put<quint32>(bytes, quint32(row.size()));
    for (const QVariant& v : row) {
        const int id = v.metaType().id();
        if (!v.isValid()) {
            bytes.append(Invalid);
        } else if (v.data_ptr().is_null ||
                   (v.isNull() && id != QMetaType::QString && id != QMetaType::QByteArray)) {
            // A database's NULL: QVariant(QMetaType) of the column's type. A QString or
            // QByteArray holding a null value is not that and is kept beside.
            bytes.append(Null);
            Put<qint32>(bytes, id);
        } else if (id == QMetaType::Int) {
            bytes.append(Int);
            Put<qint32>(bytes, v.toInt());
        } else if (id == QMetaType::LongLong) {
            bytes.append(LongLong);
            Put<qint64>(bytes, v.toLongLong());
        } else if (id == QMetaType::Double) {
            bytes.append(Double);
            Put<double>(bytes, v.toDouble());
        } else if (id == QMetaType::Bool) {
            bytes.append(Bool);
            bytes.append(char(v.toBool()));
        } else if (id == QMetaType::QString && !Held<QString>(v).isNull() &&
                   Held<QString>(v).size() < kLongest) {
            const QString& text = Held<QString>(v);
            bytes.append(Text);
            Put<quint32>(bytes, quint32(text.size()));
            bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        } else if (id == QMetaType::QByteArray && !Held<QByteArray>(v).isNull() &&
                   Held<QByteArray>(v).size() < kLongest) {
            const QByteArray& data = Held<QByteArray>(v);
            bytes.append(Bytes);
            Put<quint32>(bytes, quint32(data.size()));
            bytes.append(data);
        } else if (id == QMetaType::QDate && Held<QDate>(v).isValid()) {
            bytes.append(Date);
            Put<qint64>(bytes, Held<QDate>(v).toJulianDay());
        } else {
            bytes.append(Other);
            Put<quint32>(bytes, quint32(m_other.size()));
            m_other.append(v);
        }
    }
    if (m_tail.size() >= m_blockSize) Seal();
}

void TRowStore::Seal() {
    Block block;
    block.firstRow = m_tailFirstRow;
    block.size = m_tail.size();
    m_tail.squeeze();
    block.bytes = std::move(m_tail);
    m_tail = QByteArray();
    m_tail.reserve(m_blockSize + m_blockSize / 4);
    m_blocks.push_back(std::move(block));
    m_tailFirstRow = Count();
    m_resident += m_blocks.back().size;
    if (m_resident > m_residentLimit) SpillResident();
}

void TRowStore::SpillResident() {
    if (!m_file) m_file = OpenScratchFile(QStringLiteral("karvell-rows-XXXXXX"));
    for (Block& block : m_blocks) {
        if (block.filePos >= 0) continue;
        block.filePos = m_file->size();
        if ((m_file->pos() != block.filePos && !m_file->seek(block.filePos)) ||
            m_file->write(block.bytes) != block.size)
            ScratchWriteFailed(*m_file);
        block.bytes = QByteArray();
    }
    // A full disk shows on the flush; it must stop the run here, not at a later read.
    if (!m_file->flush()) ScratchWriteFailed(*m_file);
    m_resident = 0;
}

const QByteArray& TRowStore::BlockBytes(size_t index) const {
    const Block& block = m_blocks[index];
    if (block.filePos < 0) return block.bytes;
    if (m_loadedBlock != qsizetype(index)) {
        m_loadedBlock = -1;
        // Blocks written since the last read may still be in the file's buffer.
        if (m_file->flush() && m_file->seek(block.filePos)) m_loaded = m_file->read(block.size);
        if (m_loaded.size() != block.size)
            throw KarvellError(QStringLiteral("无法读回临时文件“%1”中的数据行：%2")
                                   .arg(m_file->fileName(), m_file->errorString()));
        m_loadedBlock = qsizetype(index);
    }
    return m_loaded;
}

// The block holding `row` (inside the rows) and the row's start in it.
const QByteArray* TRowStore::RowBytes(int row, qsizetype* at) const {
    *at = m_rowOffset[size_t(row)];
    if (row >= m_tailFirstRow) return &m_tail;
    const auto next = std::upper_bound(m_blocks.begin(), m_blocks.end(), row,
                                       [](int r, const Block& b) { return r < b.firstRow; });
    return &BlockBytes(size_t(next - m_blocks.begin()) - 1);
}

int TRowStore::Columns(int row) const {
    if (row < 0 || row >= Count()) return 0;
    if (row == m_decodedRow) return int(m_decoded.size());
    qsizetype at = 0;
    const QByteArray& bytes = *RowBytes(row, &at);
    return int(Get<quint32>(bytes, at));
}

QVariant TRowStore::Value(int row, int column) const {
    if (row < 0 || row >= Count() || column < 0) return QVariant();
    if (row != m_decodedRow) Decode(row);
    return column < m_decoded.size() ? m_decoded[column] : QVariant();
}

void TRowStore::Decode(int row) const {
    m_decodedRow = -1;
    qsizetype at = 0;
    const QByteArray& bytes = *RowBytes(row, &at);
    const int columns = int(Get<quint32>(bytes, at));
    at += 4;
    m_decoded.resize(columns);
    for (int c = 0; c < columns; ++c) {
        m_decoded[c] = DecodeValue(bytes, at);
        at += 1 + PayloadSize(bytes, at + 1, bytes[at]);
    }
    m_decodedRow = row;
}

QVariant TRowStore::DecodeValue(const QByteArray& bytes, qsizetype at) const {
    const qsizetype p = at + 1;
    switch (bytes[at]) {
    case Null:
        return QVariant(QMetaType(Get<qint32>(bytes, p)));
    case Int:
        return QVariant(Get<qint32>(bytes, p));
    case LongLong:
        return QVariant(Get<qint64>(bytes, p));
    case Double:
        return QVariant(Get<double>(bytes, p));
    case Bool:
        return QVariant(bytes[p] != 0);
    case Text: {
        const quint32 length = Get<quint32>(bytes, p);
        if (length == 0) return QVariant(QStringLiteral("")); // empty, not null
        QString text(qsizetype(length), Qt::Uninitialized);
        std::memcpy(text.data(), bytes.constData() + p + 4, size_t(length) * 2);
        return QVariant(text);
    }
    case Bytes: {
        const quint32 length = Get<quint32>(bytes, p);
        if (length == 0) return QVariant(QByteArray("")); // empty, not null
        return QVariant(bytes.mid(p + 4, qsizetype(length)));
    }
    case Date:
        return QVariant(QDate::fromJulianDay(Get<qint64>(bytes, p)));
    case Other:
        return m_other.at(Get<quint32>(bytes, p));
    default:
        return QVariant();
    }
}

} // namespace karvell
