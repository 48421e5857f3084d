#include "wizard/display_pace.h"

#include <gtest/gtest.h>

namespace {

// One report's counts: its tick count, whether they are the download's last,
// whether a download ended just before it, and whether they go up at once.
struct Report {
    uint32_t at;
    bool final;
    bool endedBefore;
    bool showsNow;
};

} // namespace

TEST(DisplayPace, FirstAndLastCountsOfEveryDownloadGoUpAtOnce)
{
    const Report reports[] = {
        { 1000, false, false, true },    // the first download's first counts
        { 1010, false, false, false },   // held: 10 ms later
        { 1099, false, false, false },
        { 1100, false, false, true },    // 100 ms after the last shown
        { 1150, true, false, true },     // its end
        // The next download starts 20 ms after the end: its first counts are
        // its own at once, not the previous download's for 80 ms more.
        { 1170, false, true, true },
        { 1180, false, false, false },
        { 1270, false, false, true },
        // A download that ends right after its first counts.
        { 1275, true, false, true },
        { 1276, false, true, true },
        { 1277, true, false, true },
    };
    DisplayPace pace(byteCountsInterval);
    for (const Report& report : reports) {
        if (report.endedBefore)
            pace.downloadEnded();
        EXPECT_EQ(report.showsNow, pace.showsNow(report.at, report.final)) << "at " << report.at;
        if (pace.showsNow(report.at, report.final))
            pace.shown(report.at);
    }
}

TEST(DisplayPace, HeldCountsShownFromTheTimerStartTheSpanAgain)
{
    DisplayPace pace(byteCountsInterval);
    pace.shown(500);
    EXPECT_FALSE(pace.showsNow(550, false));
    pace.shown(600);   // the timer showed the held ones
    EXPECT_FALSE(pace.showsNow(650, false));
    EXPECT_TRUE(pace.showsNow(700, false));
    // The tick counter wraps every 49.7 days.
    pace.shown(UINT32_MAX - 9);
    EXPECT_FALSE(pace.showsNow(50, false));
    EXPECT_TRUE(pace.showsNow(90, false));
}

TEST(DisplayPace, TheBarsMoveAtMostThirtyTimesASecond)
{
    // A 64 MiB copy reports 16384 chunks in about half a second: one report
    // every 30 microseconds, a new percent every 5 ms.
    DisplayPace pace(barsInterval);
    int moves = 0;
    for (uint32_t at = 1000; at < 1500; at += 5) {
        if (pace.showsNow(at, false)) {
            pace.shown(at);
            ++moves;
        }
    }
    EXPECT_TRUE(pace.showsNow(1500, true));   // the last position at once
    EXPECT_GE(moves, 15);
    EXPECT_LE(moves, 1 + 500 / 33);
}
