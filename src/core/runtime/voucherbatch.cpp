#include "runtime/voucherbatch.h"

#include <QHash>
#include <QLocale>
#include <QSet>
#include <cmath>

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

void Note(QStringList* keys, const QString& key) {
    if (keys->size() < BatchReport::kKeysShown && !keys->contains(key)) keys->append(key);
}

} // namespace

QString BatchKeyText(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return QString();
    const int type = v.metaType().id();
    if (type == QMetaType::Double || type == QMetaType::Float) {
        // A key that came as a binary number: integers below 2^53 are exact in it, other
        // values keep every digit that tells them apart.
        const double d = v.toDouble();
        if (!std::isfinite(d)) return QString();
        if (d == std::trunc(d) && std::abs(d) < 9007199254740992.0)
            return QString::number(qint64(d));
        return QString::number(d, 'g', QLocale::FloatingPointShortest);
    }
    const QString text = v.toString(); // integers of every width in full
    return text.trimmed().isEmpty() ? QString() : text;
}

BatchShard ParseBatchShard(const QString& text) {
    const QStringList numbers = text.split(u'/');
    bool partOk = false, partsOk = false;
    BatchShard shard;
    if (numbers.size() == 2) {
        shard.part = numbers[0].toInt(&partOk);
        shard.parts = numbers[1].toInt(&partsOk);
    }
    if (!partOk || !partsOk || shard.parts < 1 || shard.part < 1 || shard.part > shard.parts)
        throw KarvellError(
            QStringLiteral("--shard 应为 K/N：N 份中的第 K 份，1 ≤ K ≤ N 的整数（如 2/8），"
                           "而不是“%1”")
                .arg(text));
    return shard;
}

std::pair<int, int> ShardRange(const QList<qint64>& weights, const BatchShard& shard) {
    qint64 total = 0;
    for (const qint64 w : weights)
        total += w;
    // The part of the voucher whose weight starts at `before`: floor(before * N / total).
    const auto partOf = [&](qint64 before) {
        return total == 0 ? 0 : int(before * shard.parts / total);
    };
    int first = -1, last = -1;
    qint64 before = 0;
    for (int v = 0; v < int(weights.size()); ++v) {
        const int part = partOf(before);
        if (part == shard.part - 1) {
            if (first < 0) first = v;
            last = v + 1;
        }
        before += weights[v];
    }
    if (first < 0) return {0, 0};
    return {first, last};
}

VoucherBatch::VoucherBatch(TReportRunTime& runtime, TDataSet& master, TDataSet& detail,
                           const QString& keyField)
    : m_runtime(runtime), m_master(master), m_detail(detail), m_keyField(keyField) {}

BatchReport VoucherBatch::Run(const std::function<void(const QList<QBuffer*>& pages)>& onPages) {
    const int masterKey = KeyColumn(m_master, m_keyField);
    const int detailKey = KeyColumn(m_detail, m_keyField);
    BatchReport report;

    // The master rows to print: the first of each key; null and blank keys stand alone.
    QList<int> printed;
    QStringList masterKeys;
    QSet<QString> seen, duplicates;
    for (int row = 0; row < m_master.RecordCount(); ++row) {
        const QString key = BatchKeyText(m_master.CellValue(row, masterKey));
        if (!key.isEmpty() && seen.contains(key)) {
            ++report.duplicateRows;
            if (!duplicates.contains(key)) report.duplicateKeys.append(key);
            duplicates.insert(key);
            continue;
        }
        seen.insert(key);
        printed.append(row);
        masterKeys.append(key);
    }

    // The detail records of each key, in their order; those of no printed voucher are told.
    QHash<QString, QList<int>> byKey;
    for (int row = 0; row < m_detail.RecordCount(); ++row) {
        const QString key = BatchKeyText(m_detail.CellValue(row, detailKey));
        if (key.isEmpty() || !seen.contains(key)) {
            ++report.orphanRows;
            Note(&report.orphanKeys, key);
            continue;
        }
        byKey[key].append(row);
    }

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

    // This part's vouchers, balanced by their detail rows (a voucher without any still prints a
    // page, so each weighs one more).
    QList<qint64> weights;
    for (const QString& key : std::as_const(masterKeys))
        weights.append(1 + (key.isEmpty() ? 0 : byKey.value(key).size()));
    const auto [first, last] = ShardRange(weights, m_shard);
    if (m_shard.part != 1) { // the whole batch's rows that pair with nothing are told once
        report.orphanRows = report.duplicateRows = 0;
        report.orphanKeys.clear();
        report.duplicateKeys.clear();
    }

    const int vouchers = last - first;
    int pages = 0;
    try {
        for (int v = first; v < last; ++v) {
            master.Close();
            master.ClearRows();
            QVector<QVariant> row(masterColumns);
            for (int c = 0; c < masterColumns; ++c)
                row[c] = m_master.CellValue(printed[v], c);
            master.AppendRow(row);
            master.Open();

            detail.Close();
            detail.ClearRows();
            const QString key = masterKeys[v];
            const QList<int> rows = key.isEmpty() ? QList<int>() : byKey.value(key);
            for (const int d : rows) {
                QVector<QVariant> r(detailColumns);
                for (int c = 0; c < detailColumns; ++c)
                    r[c] = m_detail.CellValue(d, c);
                detail.AppendRow(r);
            }
            detail.Open();
            if (rows.isEmpty()) {
                ++report.lonelyMasters;
                Note(&report.lonelyKeys, key);
            }

            const auto fail = [&](const QString& why) {
                return KarvellError(QStringLiteral("第 %1 张凭证（%2 = %3）未能完整生成：%4")
                                        .arg(v + 1)
                                        .arg(m_keyField, key, why));
            };
            QString why;
            try {
                // The count pass already knows a voucher that cannot be completed.
                const int count = m_runtime.BuildPages(false, 0);
                why = m_runtime.Outcome.RunIssue;
                if (why.isEmpty()) m_runtime.BuildPages(true, count);
                if (why.isEmpty()) why = m_runtime.Outcome.RunIssue;
            } catch (const std::exception& e) {
                why = ErrorText(e);
            }
            if (!why.isEmpty()) throw fail(why);
            pages += int(m_runtime.PageStreams.size());
            m_currentKey = key;
            onPages(m_runtime.PageStreams);
            m_runtime.FreePages();
            if (OnProgress) OnProgress(v - first + 1, vouchers, pages);
        }
    } catch (...) {
        m_runtime.FreePages();
        m_runtime.FreeDataSets();
        throw;
    }
    m_runtime.FreeDataSets();
    report.vouchers = vouchers;
    return report;
}

} // namespace karvell
