#pragma once
// Printing a period's vouchers at once: the template is expanded once per master record, that
// record being the data set 主表 and the detail records whose key field equals the master's the
// data set 从表 (as the voucher designer names them), with page numbers and totals per voucher.
//
// Keys are compared exactly, as the text the database gives: whole numbers of any length
// digit for digit, text byte for byte. A null or blank key matches nothing.
#include <QBuffer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <utility>

namespace karvell {

class TDataSet;
class TReportRunTime;

// The key of a record as compared: integers in full, other numbers in the shortest form that
// reads back as the same value, text as it stands. Empty for null and blank text.
QString BatchKeyText(const QVariant& value);

// What a batch did with rows that do not pair up, for the report after printing.
struct BatchReport {
    static constexpr int kKeysShown = 10;
    int vouchers = 0;          // vouchers printed
    int orphanRows = 0;        // detail rows whose key matches no master row (null or blank too)
    QStringList orphanKeys;    // their distinct keys in detail order, at most kKeysShown
    QStringList duplicateKeys; // master keys held by more than one master row
    int duplicateRows = 0;     // the later master rows of those keys, not printed
    int lonelyMasters = 0;     // master rows printed without any detail row
    QStringList lonelyKeys;    // their keys ("" for null or blank), at most kKeysShown
    bool Clean() const { return orphanRows == 0 && duplicateRows == 0 && lonelyMasters == 0; }
};

// One of N contiguous parts of a batch, so that parts can print on separate processes or
// machines and be joined in order: part K of N, 1 <= K <= N.
struct BatchShard {
    int part = 1;
    int parts = 1;
    bool Whole() const { return parts == 1; }
};

// Reads "K/N" (whole numbers, 1 <= K <= N); throws KarvellError saying what is expected.
BatchShard ParseBatchShard(const QString& text);

// The vouchers [first, last) of `shard`, given each voucher's weight in master order (its detail
// rows): a voucher belongs to the part in which its first weight unit falls, when the total
// weight is cut into N equal pieces. Parts are contiguous, cover every voucher once, end only
// between vouchers, and may be empty (more parts than vouchers).
std::pair<int, int> ShardRange(const QList<qint64>& weights, const BatchShard& shard);

class VoucherBatch {
public:
    // The runtime holds the template; master and detail are open data sets with the key field.
    VoucherBatch(TReportRunTime& runtime, TDataSet& master, TDataSet& detail,
                 const QString& keyField);

    // Expands every voucher in master order and hands its pages (valid during the call) to
    // `onPages`. A master row whose key an earlier row holds is not printed again (its detail
    // rows would print twice); the report names it. A voucher that cannot be expanded
    // completely (a missing field, a page that cannot hold a detail line, a value that is not
    // a number) ends the batch with a KarvellError naming the voucher, before its pages are
    // handed on.
    BatchReport Run(const std::function<void(const QList<QBuffer*>& pages)>& onPages);

    // Prints only this part of the vouchers (by default all). Rows that do not pair up with
    // any voucher (orphan detail rows, repeated master keys) are told by the first part only,
    // so that a split batch tells them once.
    void SetShard(const BatchShard& shard) { m_shard = shard; }

    // After each voucher: vouchers done, vouchers in all, pages so far.
    std::function<void(int done, int total, int pages)> OnProgress;
    // The key of the voucher whose pages are being handed out (valid inside onPages).
    const QString& CurrentKey() const { return m_currentKey; }

private:
    TReportRunTime& m_runtime;
    TDataSet& m_master;
    TDataSet& m_detail;
    QString m_keyField;
    QString m_currentKey;
    BatchShard m_shard;
};

} // namespace karvell
