#pragma once
// The rows of a data set, packed into one block of bytes. A query of a month's detail lines
// holds millions of values; as QVariants in vectors each costs about a hundred bytes of
// bookkeeping besides its text. Here a value of a common type takes a one-byte tag and its
// payload (texts as UTF-16), and a value of any other type is kept as it is beside the block.
// Every value comes back exactly as it was appended: its type, null-ness and content.
#include <QByteArray>
#include <QVariant>
#include <QVector>
#include <vector>

namespace karvell {

class TRowStore {
public:
    TRowStore() = default;
    static TRowStore From(const QVector<QVector<QVariant>>& rows);

    int Count() const { return int(m_rowStart.size()); }
    bool IsEmpty() const { return m_rowStart.empty(); }
    void Clear();
    void Append(const QVector<QVariant>& row);
    // Columns of the row as appended.
    int Columns(int row) const;
    // The value; an invalid QVariant outside the row. The last row read is kept decoded, as
    // a report reads every field of the current record several times (not thread-safe).
    QVariant Value(int row, int column) const;

private:
    QVariant Decode(qsizetype at) const;
    QByteArray m_bytes;
    std::vector<qsizetype> m_rowStart; // each row: a column count, then its values
    QVector<QVariant> m_other;         // values of types the block does not pack
    mutable int m_decodedRow = -1;
    mutable QVector<QVariant> m_decoded;
};

} // namespace karvell
