#pragma once
// Printing a period's vouchers at once: the template is expanded once per master record, that
// record being the data set 主表 and the detail records whose key field equals the master's the
// data set 从表 (as the voucher designer names them), with page numbers and totals per voucher.
#include <QBuffer>
#include <QList>
#include <QString>
#include <functional>

namespace karvell {

class TDataSet;
class TReportRunTime;

class VoucherBatch {
public:
    // The runtime holds the template; master and detail are open data sets with the key field.
    VoucherBatch(TReportRunTime& runtime, TDataSet& master, TDataSet& detail,
                 const QString& keyField);

    // Expands every voucher in master order and hands its pages (valid during the call) to
    // `onPages`. A voucher that cannot be expanded completely (a missing field, a page that
    // cannot hold a detail line, a value that is not a number) ends the batch with a
    // KarvellError naming the voucher. Answers the number of vouchers.
    int Run(const std::function<void(const QList<QBuffer*>& pages)>& onPages);

    // After each voucher: vouchers done, vouchers in all, pages so far.
    std::function<void(int done, int total, int pages)> OnProgress;

private:
    TReportRunTime& m_runtime;
    TDataSet& m_master;
    TDataSet& m_detail;
    QString m_keyField;
};

} // namespace karvell
