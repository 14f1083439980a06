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
};

} // namespace karvell
