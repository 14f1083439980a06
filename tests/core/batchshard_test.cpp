// The parts of a split batch: contiguous in master order, every voucher in exactly one part,
// balanced by weight, empty when there are more parts than vouchers; and the "K/N" argument.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "runtime/voucherbatch.h"

namespace karvell {
namespace {

struct RangeCase {
    QList<qint64> weights;
    int parts;
    QList<std::pair<int, int>> expected; // [first, last) of part 1..N, worked out by hand
};

TEST(BatchShard, PartsFollowTheWeightsOfTheVouchers) {
    const QList<RangeCase> cases = {
        {{1, 1, 1, 1, 1, 1}, 3, {{0, 2}, {2, 4}, {4, 6}}},
        {{1, 1, 1, 1, 1, 1}, 1, {{0, 6}}},
        // A heavy first voucher fills the first half alone.
        {{10, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 2, {{0, 1}, {1, 11}}},
        // Weights 3,3,3,3 (total 12) in 3 parts: cuts at 4 and 8 fall inside vouchers 1 and 2,
        // each voucher goes to the part where it starts.
        {{3, 3, 3, 3}, 3, {{0, 2}, {2, 3}, {3, 4}}},
        // More parts than vouchers: some parts are empty.
        {{1, 1}, 3, {{0, 1}, {1, 2}, {0, 0}}},
        {{2, 5, 1}, 7, {{0, 1}, {1, 2}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 3}}},
        {{}, 2, {{0, 0}, {0, 0}}},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.parts));
        QList<std::pair<int, int>> got;
        for (int k = 1; k <= c.parts; ++k)
            got.append(ShardRange(c.weights, BatchShard{k, c.parts}));
        EXPECT_EQ(got, c.expected);
    }
}

TEST(BatchShard, EveryVoucherIsInExactlyOnePartInOrder) {
    QList<qint64> weights;
    for (int v = 0; v < 97; ++v)
        weights.append(1 + (v * 37) % 23);
    for (const int parts : {1, 2, 3, 7, 50, 97, 200}) {
        SCOPED_TRACE(parts);
        int next = 0;
        qint64 heaviest = 0, total = 0;
        for (const qint64 w : weights) {
            heaviest = std::max(heaviest, w);
            total += w;
        }
        for (int k = 1; k <= parts; ++k) {
            const auto [first, last] = ShardRange(weights, BatchShard{k, parts});
            if (first == last) continue;
            EXPECT_EQ(first, next);
            qint64 weight = 0;
            for (int v = first; v < last; ++v)
                weight += weights[v];
            EXPECT_LE(weight, total / parts + heaviest + 1); // balanced within one voucher
            next = last;
        }
        EXPECT_EQ(next, weights.size());
    }
}

TEST(BatchShard, ArgumentIsPartOfParts) {
    const BatchShard s = ParseBatchShard(QStringLiteral("3/8"));
    EXPECT_EQ(s.part, 3);
    EXPECT_EQ(s.parts, 8);
    EXPECT_TRUE(ParseBatchShard(QStringLiteral("1/1")).Whole());
    for (const char* bad :
         {"0/3", "4/3", "a/b", "1/0", "-1/3", "1/-3", "3", "1/3/4", "", "/3", "2/"}) {
        SCOPED_TRACE(bad);
        try {
            ParseBatchShard(QString::fromLatin1(bad));
            ADD_FAILURE() << "accepted";
        } catch (const KarvellError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("--shard 应为 K/N")));
        }
    }
}

} // namespace
} // namespace karvell
