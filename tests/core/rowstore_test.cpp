// The packed rows of a data set give back every value exactly as it went in: type, null-ness
// (a null QString is not an empty one) and content, in rows of different widths.
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <gtest/gtest.h>
#include <limits>

#include "common/file_size_limit.h"
#include "common/scoped_env.h"
#include "platform/error.h"
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

const QVector<QVector<QVariant>> kRows = {
    {QVariant(), QVariant(QMetaType::fromType<QString>()), QVariant(QMetaType::fromType<double>()),
     QVariant(QString()), QVariant(QString(""))},
    {QVariant(42), QVariant(-7), QVariant(qint64(1234567890123456789LL)),
     QVariant(std::numeric_limits<qint64>::min()), QVariant(0.1), QVariant(-0.0), QVariant(1e308)},
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

void ExpectRows(const TRowStore& store, const QVector<QVector<QVariant>>& rows) {
    ASSERT_EQ(store.Count(), rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(store.Columns(r), rows[r].size()) << r;
        for (int c = 0; c < rows[r].size(); ++c) {
            SCOPED_TRACE(testing::Message() << "row " << r << " column " << c);
            ExpectSame(store.Value(r, c), rows[r][c]);
        }
    }
}

TEST(RowStore, GivesBackEveryValueAsAppended) {
    const TRowStore store = TRowStore::From(kRows);
    ExpectRows(store, kRows);
    EXPECT_FALSE(store.Spilled());
    // Outside the rows: nothing, no over-read.
    for (const auto& [r, c] : {std::pair{0, -1}, {0, 5}, {4, 0}, {-1, 0}, {6, 0}})
        EXPECT_FALSE(store.Value(r, c).isValid()) << r << ',' << c;
    EXPECT_EQ(store.Columns(6), 0);
}

// Rows past the resident limit go to the scratch file and come back the same, read in order,
// backwards and out of order, and the rows still being filled in memory too.
TEST(RowStore, RowsInTheScratchFileComeBackTheSame) {
    QVector<QVector<QVariant>> rows;
    for (int i = 0; i < 40; ++i)
        rows += kRows;
    TRowStore store(256);
    for (const QVector<QVariant>& row : rows)
        store.Append(row);
    ASSERT_TRUE(store.Spilled());
    ExpectRows(store, rows);
    for (int r = int(rows.size()) - 1; r >= 0; r -= 7)
        for (int c = 0; c < rows[r].size(); ++c)
            ExpectSame(store.Value(r, c), rows[r][c]);
    EXPECT_EQ(store.Value(5, 0), QVariant(QStringLiteral("最后")));
    EXPECT_EQ(store.Value(int(rows.size()) - 1, 0), QVariant(QStringLiteral("最后")));
    EXPECT_FALSE(store.Value(int(rows.size()), 0).isValid());

    // Moved into another store, the rows and their file go along; the store left behind is
    // empty and takes new rows.
    TRowStore moved = std::move(store);
    ExpectRows(moved, rows);
    EXPECT_TRUE(store.IsEmpty()); // NOLINT(bugprone-use-after-move): checked on purpose
    store.Append({QVariant(QStringLiteral("新"))});
    EXPECT_EQ(store.Value(0, 0), QVariant(QStringLiteral("新")));
}

// A scratch file that cannot take the rows (a full disk, a file-size limit) or cannot be made
// stops the reading with the reason, instead of losing rows.
TEST(ScratchLimits, AFullDiskOrNoTemporaryFolderIsAnError) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const test::ScopedEnv tmpdir("TMPDIR", dir.path().toUtf8());
    {
        const test::FileSizeLimit limit(64);
        ASSERT_TRUE(limit.IsSet());
        TRowStore store(256);
        try {
            for (int i = 0; i < 1000; ++i)
                store.Append({QVariant(i), QVariant(QStringLiteral("支付办公用品费用"))});
            FAIL() << "rows went past a file-size limit of 64 bytes";
        } catch (const KarvellError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("无法写入临时文件“"))) << e.what();
            // The system's reason in the program's words (EFBIG), not Qt's "Unknown error".
            EXPECT_TRUE(e.message().endsWith(QStringLiteral("：文件过大"))) << e.what();
        }
    }

    // A temporary "folder" that is a file: nothing can be made in it, not even by root.
    QFile plain(QDir(dir.path()).filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const test::ScopedEnv fileAsTmpdir("TMPDIR", plain.fileName().toUtf8());
    TRowStore nowhere(256);
    EXPECT_THROW(for (int i = 0; i < 1000; ++i)
                     nowhere.Append({QVariant(QStringLiteral("甲乙丙丁"))}),
                 KarvellError);
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
