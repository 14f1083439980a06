#include "runtime/voucherbatch.h"

#include <QHash>

#include "platform/error.h"
#include "platform/gbk.h"
#include "runtime/dataset.h"
#include "runtime/reportruntime.h"

namespace karvell {

namespace {

int KeyColumn(const TDataSet& ds, const QString& field) {
    const int column = ds.FindField(field);
    if (column < 0) ds.FieldByName(field); // raises the data layer's error naming both
    return column;
}

// The key as text, so that 87, 87.0 and '87' from different columns find each other.
QString KeyText(const QVariant& v) {
    if (v.isNull()) return QString();
    if (IsNumericMetaType(v.metaType().id())) return FloatToStr(v.toDouble());
    return v.toString().trimmed();
}

} // namespace

VoucherBatch::VoucherBatch(TReportRunTime& runtime, TDataSet& master, TDataSet& detail,
                           const QString& keyField)
    : m_runtime(runtime), m_master(master), m_detail(detail), m_keyField(keyField) {}

int VoucherBatch::Run(const std::function<void(const QList<QBuffer*>& pages)>& onPages) {
    const int masterKey = KeyColumn(m_master, m_keyField);
    const int detailKey = KeyColumn(m_detail, m_keyField);

    // The detail records of each key, in their order.
    QHash<QString, QList<int>> byKey;
    for (int row = 0; row < m_detail.RecordCount(); ++row)
        byKey[KeyText(m_detail.CellValue(row, detailKey))].append(row);

    // One voucher's data: the master record and its detail records, under the designer's names.
    TDataSet master, detail;
    master.setObjectName(QStringLiteral("主表"));
    detail.setObjectName(QStringLiteral("从表"));
    master.SetFields(m_master.Fields());
    detail.SetFields(m_detail.Fields());
    m_runtime.SetDataSet(Gbk::Encode(QStringLiteral("主表")), &master);
    m_runtime.SetDataSet(Gbk::Encode(QStringLiteral("从表")), &detail);
    const int masterColumns = int(m_master.Fields().size());
    const int detailColumns = int(m_detail.Fields().size());

    const int vouchers = m_master.RecordCount();
    int pages = 0;
    try {
        for (int v = 0; v < vouchers; ++v) {
            master.Close();
            master.ClearRows();
            QVector<QVariant> row(masterColumns);
            for (int c = 0; c < masterColumns; ++c)
                row[c] = m_master.CellValue(v, c);
            master.AppendRow(row);
            master.Open();

            detail.Close();
            detail.ClearRows();
            const QString key = KeyText(row[masterKey]);
            for (const int d : byKey.value(key)) {
                QVector<QVariant> r(detailColumns);
                for (int c = 0; c < detailColumns; ++c)
                    r[c] = m_detail.CellValue(d, c);
                detail.AppendRow(r);
            }
            detail.Open();

            const auto fail = [&](const QString& why) {
                return KarvellError(QStringLiteral("第 %1 张凭证（%2 = %3）未能完整生成：%4")
                                        .arg(v + 1)
                                        .arg(m_keyField, key, why));
            };
            QString why;
            try {
                const int count = m_runtime.BuildPages(false, 0);
                why = m_runtime.RunIssue;
                if (why.isEmpty()) m_runtime.BuildPages(true, count);
                if (why.isEmpty()) why = m_runtime.RunIssue;
            } catch (const KarvellError& e) {
                why = e.message();
            } catch (const std::exception& e) {
                why = QString::fromLocal8Bit(e.what());
            }
            if (!why.isEmpty()) throw fail(why);
            pages += int(m_runtime.PageStreams.size());
            onPages(m_runtime.PageStreams);
            m_runtime.FreePages();
            if (OnProgress) OnProgress(v + 1, vouchers, pages);
        }
    } catch (...) {
        m_runtime.FreePages();
        m_runtime.FreeDataSets();
        throw;
    }
    m_runtime.FreeDataSets();
    return vouchers;
}

} // namespace karvell
