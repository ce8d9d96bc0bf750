// Percentages, filled widths and labels of the Percent progress bar.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "percent_math.h"

namespace {

std::string Label(std::uint32_t percent, std::size_t size = 8) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    PercentLabel(buf, size, percent);
    return buf;
}

TEST(PercentMath, ZeroRangeShowsNothingWithoutDividing) {
    EXPECT_EQ(PercentOf(0, 0), 0u);
    EXPECT_EQ(PercentOf(57, 0), 0u);
    EXPECT_EQ(FilledWidth(300, 0, 0), 0);
    EXPECT_EQ(FilledWidth(300, 12, 0), 0);
}

TEST(PercentMath, PercentTruncatesAndStopsAtHundred) {
    EXPECT_EQ(PercentOf(0, 100), 0u);
    EXPECT_EQ(PercentOf(1, 3), 33u);
    EXPECT_EQ(PercentOf(2, 3), 66u);
    EXPECT_EQ(PercentOf(99, 100), 99u);
    EXPECT_EQ(PercentOf(100, 100), 100u);
    EXPECT_EQ(PercentOf(250, 100), 100u) << "a position past the range is full";
}

TEST(PercentMath, HugeRangesDoNotOverflow) {
    const std::uint64_t big = UINT64_MAX;
    EXPECT_EQ(PercentOf(big / 2, big), 49u);
    EXPECT_EQ(PercentOf(big - 1, big), 99u);
    EXPECT_EQ(PercentOf(big, big), 100u);
    EXPECT_EQ(FilledWidth(1000, big / 2, big), 499);
    EXPECT_EQ(FilledWidth(1000, 0xFFFFFFFFu, 0xFFFFFFFFu), 1000);
    EXPECT_EQ(FilledWidth(1000, 0x7FFFFFFFu, 0xFFFFFFFEu), 500);
}

TEST(PercentMath, FilledWidthFollowsThePosition) {
    EXPECT_EQ(FilledWidth(200, 0, 100), 0);
    EXPECT_EQ(FilledWidth(200, 25, 100), 50);
    EXPECT_EQ(FilledWidth(200, 1, 3), 66);
    EXPECT_EQ(FilledWidth(200, 100, 100), 200);
    EXPECT_EQ(FilledWidth(200, 500, 100), 200);
    EXPECT_EQ(FilledWidth(0, 5, 10), 0);
    EXPECT_EQ(FilledWidth(-4, 5, 10), 0) << "an empty or inverted client area draws nothing";
}

TEST(PercentMath, LabelIsTheNumberAndAPercentSign) {
    EXPECT_EQ(Label(0), "0%");
    EXPECT_EQ(Label(7), "7%");
    EXPECT_EQ(Label(42), "42%");
    EXPECT_EQ(Label(100), "100%");
    EXPECT_EQ(Label(1000), "100%") << "values over 100 are shown as 100";
}

TEST(PercentMath, LabelNeverWritesPastItsBuffer) {
    EXPECT_EQ(Label(100, 5), "100%");
    EXPECT_EQ(Label(100, 4), "") << "no room for the whole label: empty, not cut";
    EXPECT_EQ(Label(5, 3), "5%");
    EXPECT_EQ(Label(5, 2), "");
    char one[1] = {'x'};
    PercentLabel(one, 1, 50);
    EXPECT_EQ(one[0], '\0');
    char none[1] = {'x'};
    PercentLabel(none, 0, 50);
    EXPECT_EQ(none[0], 'x') << "a size of 0 leaves the buffer alone";
}

}  // namespace
