#include "common/DateStamp.h"

#include "support/TestPlatform.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace
{

QDateTime Local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

class DateStampTest : public ::testing::Test
{
protected:
};

TEST_F(DateStampTest, StampTexts)
{
    struct Case {
        QDateTime when;
        const char *text;
    } cases[] = {
        {Local(2017, 3, 9, 14, 5, 59, 999), "14.05,  9/ 3/2017"}, // seconds dropped, not rounded
        {Local(2016, 12, 25, 9, 30), " 9.30, 25/12/2016"},        {Local(1899, 12, 30), " 0.00, 30/12/1899"},
        {Local(2017, 3, 9, 14, 30), "14.30,  9/ 3/2017"},         {Local(2020, 10, 1, 23, 59, 59), "23.59,  1/10/2020"},
        {Local(1850, 6, 7, 6, 0), " 6.00,  7/ 6/1850"},           {Local(999, 1, 2, 3, 4), " 3.04,  2/ 1/0999"},
    };
    for (const Case &c : cases) {
        const QString TimeStamp = DateStamp(ToTDateTime(c.when));
        EXPECT_EQ(TimeStamp.toStdString(), c.text);
        EXPECT_EQ(TimeStamp.size(), 17);
    }
    EXPECT_EQ(DateStamp(0).toStdString(), " 0.00, 30/12/1899");
    EXPECT_EQ(DateStamp(42803.75).toStdString(), "18.00,  9/ 3/2017");
}

TEST_F(DateStampTest, StampNowTakesThePlatformClock)
{
    testing_support::TestPlatform clock;
    clock.Clock = Local(2017, 3, 9, 18, 0, 0);
    platform::ScopedInstall guard(clock);
    const TDateStamp stamp = StampNow();
    EXPECT_DOUBLE_EQ(stamp.NowDateTime, 42803.75);
    EXPECT_EQ(stamp.TodayDate, 42803.0);
    EXPECT_EQ(stamp.TimeStamp.toStdString(), "18.00,  9/ 3/2017");
}

TEST_F(DateStampTest, ConversionsAreExactToTheMillisecond)
{
    struct Case {
        QDateTime when;
        double value;
    } cases[] = {
        {Local(1899, 12, 30), 0.0},      {Local(1900, 1, 1), 2.0},         {Local(2000, 1, 1, 12), 36526.5},
        {Local(1899, 12, 29, 6), -1.25}, // before the epoch the fraction still counts forward
        {Local(1, 1, 1), -693593.0},     {Local(9999, 12, 31), 2958465.0},
    };
    for (const Case &c : cases) {
        EXPECT_DOUBLE_EQ(ToTDateTime(c.when), c.value) << c.when.toString().toStdString();
        EXPECT_EQ(FromTDateTime(c.value), c.when) << c.value;
    }
    for (QDateTime when :
         {Local(2017, 3, 9, 14, 5, 59, 1), Local(2017, 3, 9, 23, 59, 59, 999), Local(1899, 12, 29, 23, 59, 59, 999),
          Local(1066, 10, 14, 9, 0, 0, 7), Local(9999, 12, 31, 23, 59, 59, 999), Local(2026, 1, 1, 0, 0, 0, 1)})
        EXPECT_EQ(FromTDateTime(ToTDateTime(when)), when) << when.toString(Qt::ISODateWithMs).toStdString();
}

TEST_F(DateStampTest, OutOfRangeValuesGiveNoDate)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {std::nan(""), inf, -inf, 1e300, -1e300, 2958466.0, -693594.0}) {
        EXPECT_FALSE(FromTDateTime(value).isValid()) << value;
        EXPECT_TRUE(DateStamp(value).isEmpty()) << value;
    }
    EXPECT_EQ(ToTDateTime(QDateTime()), 0.0);
}

TEST_F(DateStampTest, DayNumberTruncatesTowardZeroAndClamps)
{
    struct Case {
        double value;
        int day;
    } cases[] = {
        {42803.75, 42803},
        {0.99, 0},
        {-1.25, -1},
        {-0.5, 0},
        {1e300, INT_MAX},
        {-1e300, INT_MIN},
        {std::nan(""), 0},
        {2147483647.9, INT_MAX},
        {std::numeric_limits<double>::infinity(), INT_MAX},
        {-2147483648.5, INT_MIN},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DayNumber(c.value), c.day) << c.value;
}

} // namespace
