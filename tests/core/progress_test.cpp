// Progress lines of long batch runs: redrawn in place on a terminal, a line every few seconds
// and one at the end in a log, nothing for a phase that ends before its first line is due.
#include <gtest/gtest.h>

#include "platform/progress.h"

using namespace karvell;

namespace {

struct Recorder {
    qint64 now = 0;
    QByteArray out;
    ProgressReport Make(bool terminal) {
        return ProgressReport(
            terminal, [this](const QByteArray& s) { out += s; }, [this] { return now; });
    }
};

QByteArray Line(qint64 done, qint64 total) {
    return ProgressReport::Line(QStringLiteral("写入 PDF"), QStringLiteral("页"), done, total)
        .toUtf8();
}

TEST(ProgressReport, FormatsLabelCountsUnitAndPercent) {
    EXPECT_EQ(Line(300, 1163), QStringLiteral("写入 PDF：300/1163 页（25%）").toUtf8());
    EXPECT_EQ(Line(0, 0), QStringLiteral("写入 PDF：0/0 页（100%）").toUtf8());
}

TEST(ProgressReport, ALogGetsALineEveryFewSecondsAndOneAtTheEnd) {
    Recorder r;
    ProgressReport p = r.Make(false);
    p.Begin(QStringLiteral("写入 PDF"), QStringLiteral("页"), 1000);
    r.now = ProgressReport::kLogIntervalMs - 1;
    p.Step(100);
    EXPECT_TRUE(r.out.isEmpty());
    r.now = ProgressReport::kLogIntervalMs;
    p.Step(200);
    r.now += ProgressReport::kLogIntervalMs / 2;
    p.Step(300);
    EXPECT_EQ(r.out, Line(200, 1000) + '\n');
    r.now += ProgressReport::kLogIntervalMs;
    p.Step(900);
    p.Step(1000);
    p.End();
    p.End(); // once only
    EXPECT_EQ(r.out, Line(200, 1000) + '\n' + Line(900, 1000) + '\n' + Line(1000, 1000) + '\n');
}

TEST(ProgressReport, ATerminalLineIsRedrawnInPlaceAndEndedByANewline) {
    Recorder r;
    {
        ProgressReport p = r.Make(true);
        p.Begin(QStringLiteral("写入 PDF"), QStringLiteral("页"), 10);
        r.now = ProgressReport::kTerminalIntervalMs;
        p.Step(4);
        r.now += ProgressReport::kTerminalIntervalMs;
        p.Step(7);
        p.Step(10);
    } // the destructor ends the phase
    EXPECT_EQ(r.out, '\r' + Line(4, 10) + '\r' + Line(7, 10) + '\r' + Line(10, 10) + '\n');
}

TEST(ProgressReport, APhaseThatEndsBeforeItsFirstLineSaysNothing) {
    for (const bool terminal : {true, false}) {
        Recorder r;
        ProgressReport p = r.Make(terminal);
        p.Begin(QStringLiteral("计算页数"), QStringLiteral("条记录"), 100);
        r.now = ProgressReport::kTerminalIntervalMs - 1;
        p.Step(100);
        // A new phase ends the last one and starts its own interval.
        p.Begin(QStringLiteral("写入 PDF"), QStringLiteral("页"), 3);
        r.now += ProgressReport::kTerminalIntervalMs - 1;
        p.Step(3);
        p.End();
        EXPECT_TRUE(r.out.isEmpty()) << terminal;
    }
}

} // namespace
