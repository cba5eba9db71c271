#include "celvo/dates.h"
#include "celvo/xlerror.h"

#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "test_support.h"

using namespace celvo;

namespace {

bool sameParts(const DateParts& a, const DateParts& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second && a.tenths == b.tenths;
}

// Every tenth of a second of one day packs and unpacks to itself.
void everyTenthOf(bool date1904, int y, int m, int d)
{
    for (int t = 0; t < 864000; ++t) {
        DateParts in{y, m, d, t / 36000, t / 600 % 60, t / 10 % 60, t % 10};
        const DateParts out =
            unpackDate(date1904, packDate(date1904, in.year, in.month, in.day, in.hour, in.minute, in.second, in.tenths));
        if (!sameParts(in, out)) {
            ADD_FAILURE() << y << "-" << m << "-" << d << " tenth " << t << " came back as " << out.hour << ":"
                          << out.minute << ":" << out.second << "." << out.tenths;
            return;
        }
    }
}

}  // namespace

TEST(Dates, EveryTenthOfTheEdgeDaysComesBack)
{
    everyTenthOf(false, 1900, 1, 1);
    everyTenthOf(false, 1900, 3, 1);
    everyTenthOf(false, 2000, 1, 1);
    everyTenthOf(false, 9999, 12, 31);
    everyTenthOf(true, 1904, 1, 1);
    everyTenthOf(true, 9999, 12, 31);
}

TEST(Dates, EveryDayFrom1900To9999ComesBack)
{
    // Every day of both systems, each at its last tenth and at tenths drawn
    // at random.
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> tenth(0, 863999);
    for (bool date1904 : {false, true}) {
        const double first = date1904 ? 0.0 : 1.0;
        const double last = packDate(date1904, 9999, 12, 31, 0, 0, 0, 0);
        int failures = 0;
        for (double serial = first; serial <= last && failures < 5; serial += 1.0) {
            const DateParts day = unpackDate(date1904, serial);
            for (int t : {863999, tenth(random), tenth(random)}) {
                DateParts in = day;
                in.hour = t / 36000, in.minute = t / 600 % 60, in.second = t / 10 % 60, in.tenths = t % 10;
                const DateParts out = unpackDate(
                    date1904, packDate(date1904, in.year, in.month, in.day, in.hour, in.minute, in.second, in.tenths));
                if (!sameParts(in, out)) {
                    ADD_FAILURE() << "serial " << serial << " tenth " << t;
                    ++failures;
                }
            }
        }
        // The days are consecutive dates: the last is 9999-12-31.
        const DateParts end = unpackDate(date1904, last);
        EXPECT_TRUE(sameParts(end, DateParts{9999, 12, 31, 0, 0, 0, 0}));
    }
}

TEST(Dates, SerialsOutsideTheCalendarAreRefused)
{
    for (double serial : {-1.0, -1e-9, 2958466.0, 2958465.99999999, 1e300, std::nan(""), double(INFINITY), -double(INFINITY)}) {
        SCOPED_TRACE(serial);
        EXPECT_THROW(unpackDate(false, serial), xlerror);
    }
    EXPECT_THROW(unpackDate(true, 2957004.0), xlerror);
    EXPECT_NO_THROW(unpackDate(true, 2957003.9));
    EXPECT_NO_THROW(unpackDate(false, 0.0));
}

TEST(Dates, PartsFarOutOfRangeGiveAFiniteSerialAndNoCalendarDate)
{
    // Any parts pack without overflow; those that come to no day of the
    // calendar are refused by the checked form.
    constexpr int lo = INT_MIN, hi = INT_MAX;
    const DateParts cases[] = {
        {2000, lo, 1, 0, 0, 0, 0}, {2000, hi, 1, 0, 0, 0, 0}, {lo, 1, 1, 0, 0, 0, 0}, {hi, hi, hi, 0, 0, 0, 0},
        {2000, 1, lo, 0, 0, 0, 0}, {2000, 1, 1, hi, 0, 0, 0}, {2000, 1, 1, lo, lo, lo, lo}, {lo, 1, lo, 0, 0, 0, 0},
        {10000, 1, 1, 0, 0, 0, 0}, {1899, 12, 30, 0, 0, 0, 0}, {0, 0, 0, -1, 0, 0, 0},
    };
    for (bool date1904 : {false, true}) {
        for (const DateParts& p : cases) {
            SCOPED_TRACE(testing::Message() << p.year << "-" << p.month << "-" << p.day << " " << p.hour);
            EXPECT_TRUE(std::isfinite(packDate(date1904, p.year, p.month, p.day, p.hour, p.minute, p.second, p.tenths)));
            EXPECT_THROW(packCalendarDate(date1904, p.year, p.month, p.day, p.hour, p.minute, p.second, p.tenths),
                         xlerror);
        }
        EXPECT_EQ(packCalendarDate(date1904, 2000, 13, 1, 0, 0, 0, 0), packDate(date1904, 2001, 1, 1, 0, 0, 0, 0));
        EXPECT_NO_THROW(packCalendarDate(date1904, 9999, 12, 31, 23, 59, 59, 9));
        EXPECT_THROW(packCalendarDate(date1904, 9999, 12, 31, 23, 59, 59, 10), xlerror);
    }
}
