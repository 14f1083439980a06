#include "runtime/rowstore.h"

#include <QDate>
#include <cstring>

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

TRowStore TRowStore::From(const QVector<QVector<QVariant>>& rows) {
    TRowStore store;
    for (const QVector<QVariant>& row : rows)
        store.Append(row);
    return store;
}

void TRowStore::Clear() {
    m_decodedRow = -1;
    m_decoded.clear();
    m_bytes = QByteArray();
    m_rowStart = {};
    m_other.clear();
}

void TRowStore::Append(const QVector<QVariant>& row) {
    m_rowStart.push_back(m_bytes.size());
    Put<quint32>(m_bytes, quint32(row.size()));
    for (const QVariant& v : row) {
        const int id = v.metaType().id();
        if (!v.isValid()) {
            m_bytes.append(Invalid);
        } else if (v.isNull() && id != QMetaType::QString && id != QMetaType::QByteArray) {
            m_bytes.append(Null);
            Put<qint32>(m_bytes, id);
        } else if (id == QMetaType::Int) {
            m_bytes.append(Int);
            Put<qint32>(m_bytes, v.toInt());
        } else if (id == QMetaType::LongLong) {
            m_bytes.append(LongLong);
            Put<qint64>(m_bytes, v.toLongLong());
        } else if (id == QMetaType::Double) {
            m_bytes.append(Double);
            Put<double>(m_bytes, v.toDouble());
        } else if (id == QMetaType::Bool) {
            m_bytes.append(Bool);
            m_bytes.append(char(v.toBool()));
        } else if (id == QMetaType::QString && !v.isNull() && !Held<QString>(v).isNull() &&
                   Held<QString>(v).size() < kLongest) {
            const QString& text = Held<QString>(v);
            m_bytes.append(Text);
            Put<quint32>(m_bytes, quint32(text.size()));
            m_bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        } else if (id == QMetaType::QByteArray && !v.isNull() && !Held<QByteArray>(v).isNull() &&
                   Held<QByteArray>(v).size() < kLongest) {
            const QByteArray& data = Held<QByteArray>(v);
            m_bytes.append(Bytes);
            Put<quint32>(m_bytes, quint32(data.size()));
            m_bytes.append(data);
        } else if (id == QMetaType::QDate && Held<QDate>(v).isValid()) {
            m_bytes.append(Date);
            Put<qint64>(m_bytes, Held<QDate>(v).toJulianDay());
        } else {
            m_bytes.append(Other);
            Put<quint32>(m_bytes, quint32(m_other.size()));
            m_other.append(v);
        }
    }
}

int TRowStore::Columns(int row) const {
    if (row < 0 || row >= Count()) return 0;
    return int(Get<quint32>(m_bytes, m_rowStart[size_t(row)]));
}

QVariant TRowStore::Value(int row, int column) const {
    if (column < 0 || column >= Columns(row)) return QVariant();
    if (row != m_decodedRow) {
        const int columns = Columns(row);
        m_decoded.resize(columns);
        qsizetype at = m_rowStart[size_t(row)] + 4;
        for (int c = 0; c < columns; ++c) {
            m_decoded[c] = Decode(at);
            at += 1 + PayloadSize(m_bytes, at + 1, m_bytes[at]);
        }
        m_decodedRow = row;
    }
    return m_decoded[column];
}

QVariant TRowStore::Decode(qsizetype at) const {
    const qsizetype p = at + 1;
    switch (m_bytes[at]) {
    case Null:
        return QVariant(QMetaType(Get<qint32>(m_bytes, p)));
    case Int:
        return QVariant(Get<qint32>(m_bytes, p));
    case LongLong:
        return QVariant(Get<qint64>(m_bytes, p));
    case Double:
        return QVariant(Get<double>(m_bytes, p));
    case Bool:
        return QVariant(m_bytes[p] != 0);
    case Text: {
        const quint32 length = Get<quint32>(m_bytes, p);
        if (length == 0) return QVariant(QStringLiteral("")); // empty, not null
        QString text(qsizetype(length), Qt::Uninitialized);
        std::memcpy(text.data(), m_bytes.constData() + p + 4, size_t(length) * 2);
        return QVariant(text);
    }
    case Bytes: {
        const quint32 length = Get<quint32>(m_bytes, p);
        if (length == 0) return QVariant(QByteArray("")); // empty, not null
        return QVariant(m_bytes.mid(p + 4, qsizetype(length)));
    }
    case Date:
        return QVariant(QDate::fromJulianDay(Get<qint64>(m_bytes, p)));
    case Other:
        return m_other.at(Get<quint32>(m_bytes, p));
    default:
        return QVariant();
    }
}

} // namespace karvell
