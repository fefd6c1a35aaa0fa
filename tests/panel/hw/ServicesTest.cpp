#include "panel/hw/Services.h"

#include <gtest/gtest.h>

namespace {

TEST(ServicesTest, DayOfYearCountsLeapDaysInEveryFourthYear) {
    // 2100 counts as a leap year; a month outside 1..12 does not read past the table.
    const struct {
        u8 day, month, year;
        u16 dayOfYear;
    } cases[] = {{1, 1, 0, 1},      {1, 3, 12, 61},     {1, 3, 11, 60}, {29, 2, 12, 60},
                 {31, 12, 11, 365}, {31, 12, 100, 366}, {5, 13, 1, 5},  {5, 0, 1, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(DayOfYear(c.day, c.month, c.year), c.dayOfYear)
            << int(c.day) << "." << int(c.month) << "." << int(c.year);
}

TEST(ServicesTest, WeekdayOfCountsFromMondayAndWrapsAt16Bits) {
    // From 2180 on the day count passes 65535 and wraps: 365 x 180 + 45 + 1 =
    // 65746, which is 210 in 16 bits, (210 + 4) mod 7 = 4. Years before 2000
    // wrap the year count itself: y = 65535, 365 x y = 65171, (y + 3) / 4 = 0
    // in 16 bits, so s = 65172 and 65176 mod 7 = 6.
    const struct {
        u8 day, month;
        i16 year;
        u8 weekday;  // 0 = Monday
    } cases[] = {{1, 1, 2000, 5},  {15, 4, 2011, 4}, {29, 2, 2012, 2},
                 {6, 12, 2026, 6}, {1, 1, 2180, 4},  {1, 1, 1999, 6}};
    for (const auto& c : cases) EXPECT_EQ(WeekdayOf(c.day, c.month, c.year), c.weekday) << c.year;
}

}  // namespace
