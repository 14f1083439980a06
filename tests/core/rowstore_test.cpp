// The packed rows of a data set give back every value exactly as it went in: type, null-ness
// (a null QString is not an empty one) and content, in rows of different widths.
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <gtest/gtest.h>
#include <limits>

#include "runtime/rowstore.h"

using namespace karvell;

namespace {

void ExpectSame(const QVariant& got, const QVariant& want) {
    EXPECT_EQ(got.isValid(), want.isValid());
    EXPECT_EQ(got.isNull(), want.isNull());
    EXPECT_EQ(got.metaType(), want.metaType()) << got.metaType().name();
    EXPECT_EQ(got, want);
    if (want.metaType().id() == QMetaType::QString) {
        EXPECT_EQ(got.toString().isNull(), want.toString().isNull());
    }
    if (want.metaType().id() == QMetaType::QByteArray) {
        EXPECT_EQ(got.toByteArray().isNull(), want.toByteArray().isNull());
    }
}

TEST(RowStore, GivesBackEveryValueAsAppended) {
    const QVector<QVector<QVariant>> rows = {
        {QVariant(), QVariant(QMetaType::fromType<QString>()),
         QVariant(QMetaType::fromType<double>()), QVariant(QString()), QVariant(QString(""))},
        {QVariant(42), QVariant(-7), QVariant(qint64(1234567890123456789LL)),
         QVariant(std::numeric_limits<qint64>::min()), QVariant(0.1), QVariant(-0.0),
         QVariant(1e308)},
        {QVariant(true), QVariant(false), QVariant(QStringLiteral("支付办公用品费用")),
         QVariant(QStringLiteral("𠀀䶮 mixed \u0000 nul")), QVariant(QByteArray("\x00\xff", 2)),
         QVariant(QByteArray()), QVariant(QByteArray(""))},
        {QVariant(QDate(2026, 12, 31)), QVariant(QDate()), QVariant(QDate(1, 1, 1)),
         QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))), QVariant(QTime(23, 59)),
         QVariant(uint(4000000000u)), QVariant(qulonglong(18446744073709551615ULL)),
         QVariant(float(1.5f))},
        {},
        {QVariant(QStringLiteral("最后"))},
    };
    const TRowStore store = TRowStore::From(rows);
    ASSERT_EQ(store.Count(), rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(store.Columns(r), rows[r].size()) << r;
        for (int c = 0; c < rows[r].size(); ++c) {
            SCOPED_TRACE(testing::Message() << "row " << r << " column " << c);
            ExpectSame(store.Value(r, c), rows[r][c]);
        }
    }
    // Outside the rows: nothing, no over-read.
    for (const auto& [r, c] : {std::pair{0, -1}, {0, 5}, {4, 0}, {-1, 0}, {6, 0}})
        EXPECT_FALSE(store.Value(r, c).isValid()) << r << ',' << c;
    EXPECT_EQ(store.Columns(6), 0);
}

TEST(RowStore, ClearEmptiesAndAcceptsNewRows) {
    TRowStore store;
    store.Append({QVariant(1), QVariant(QStringLiteral("甲"))});
    store.Clear();
    EXPECT_TRUE(store.IsEmpty());
    store.Append({QVariant(QStringLiteral("乙"))});
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Value(0, 0), QVariant(QStringLiteral("乙")));
}

} // namespace
