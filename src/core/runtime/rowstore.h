#pragma once
// The rows of a data set, packed into blocks of bytes. A query of a month's detail lines
// holds millions of values; as QVariants in vectors each costs about a hundred bytes of
// bookkeeping besides its text. Here a value of a common type takes a one-byte tag and its
// payload (texts as UTF-16), and a value of any other type is kept as it is beside the blocks.
// Every value comes back exactly as it was appended: its type, null-ness and content.
//
// Rows fill blocks in order. Once the full blocks take more than the resident limit, they go
// to a scratch file and are read back a block at a time, so a run over millions of rows keeps
// a bounded part of them in memory. Reports read rows in order, so a block read back serves
// thousands of reads.
#include <QByteArray>
#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

class QTemporaryFile;

namespace karvell {

class TRowStore {
public:
    // Bytes of full blocks kept in memory before they go to the scratch file.
    static constexpr qsizetype kResidentBytes = qsizetype(16) << 20;

    explicit TRowStore(qsizetype residentBytes = kResidentBytes);
    ~TRowStore();
    TRowStore(TRowStore&&) noexcept;
    TRowStore& operator=(TRowStore&&) noexcept;
    TRowStore(const TRowStore&) = delete;
    TRowStore& operator=(const TRowStore&) = delete;
    static TRowStore From(const QVector<QVector<QVariant>>& rows);

    int Count() const { return int(m_rowOffset.size()); }
    bool IsEmpty() const { return m_rowOffset.empty(); }
    void Clear();
    // Throws KarvellError when a block cannot go to the scratch file (a full disk).
    void Append(const QVector<QVariant>& row);
    // Columns of the row as appended.
    int Columns(int row) const;
    // The value; an invalid QVariant outside the row. The last row read is kept decoded, as
    // a report reads every field of the current record several times (not thread-safe).
    // Throws KarvellError when a block cannot be read back from the scratch file.
    QVariant Value(int row, int column) const;
    // Whether any block has gone to the scratch file.
    bool Spilled() const { return m_file != nullptr; }

private:
    struct Block {
        int firstRow = 0;
        qint64 filePos = -1; // where the block lies in the scratch file; -1 while in memory
        qsizetype size = 0;
        QByteArray bytes; // empty once in the file
    };
    void Swap(TRowStore& other) noexcept;
    void Seal();
    void SpillResident();
    const QByteArray& BlockBytes(size_t block) const;
    const QByteArray* RowBytes(int row, qsizetype* at) const;
    void Decode(int row) const;
    QVariant DecodeValue(const QByteArray& bytes, qsizetype at) const;

    qsizetype m_residentLimit;
    qsizetype m_blockSize;
    QByteArray m_tail; // the block being filled
    int m_tailFirstRow = 0;
    std::vector<Block> m_blocks;
    qsizetype m_resident = 0;         // bytes of full blocks still in memory
    std::vector<quint32> m_rowOffset; // each row's start in its block: a column count, values
    QVector<QVariant> m_other;        // values of types the blocks do not pack
    std::unique_ptr<QTemporaryFile> m_file;
    mutable qsizetype m_loadedBlock = -1; // the block last read back from the file
    mutable QByteArray m_loaded;
    mutable int m_decodedRow = -1;
    mutable QVector<QVariant> m_decoded;
};

} // namespace karvell
