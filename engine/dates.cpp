#include "celvo/dates.h"

#include <cmath>

#include "celvo/xlerror.h"

namespace celvo {

namespace {

constexpr long long kTenthsPerDay = 864000;
// 9999-12-31 in the 1900 system; 1462 days less in the 1904 system.
constexpr long long kLastSerial1900 = 2958465;
constexpr long long kDays1904 = 1462;

long long lastSerialOf(bool date1904) { return date1904 ? kLastSerial1900 - kDays1904 : kLastSerial1900; }

// Whether the serial, rounded to the nearest tenth of a second, is a day of
// the date system from its first to 9999-12-31.
bool serialInCalendar(bool date1904, double serial)
{
    const long long lastSerial = lastSerialOf(date1904);
    if (!std::isfinite(serial) || serial < 0 || serial >= static_cast<double>(lastSerial + 1)) return false;
    // Rounding up may reach the day after the last one.
    return std::llround(serial * static_cast<double>(kTenthsPerDay)) / kTenthsPerDay <= lastSerial;
}

}  // namespace

double packDate(bool date1904, int year, int month, int day, int hour, int minute, int second, int tenths)
{
    long long dayNumber = 0;
    if (year > 0 || month > 0 || day > 0) {
        // In 64 bits throughout: no part, however far out, overflows.
        const long long m = month;
        const long long a = (m - 14) / 12;
        const long long y = year + a;
        dayNumber = (1461 * (y + 4800)) / 4 + (367 * (m - 2 - 12 * a)) / 12 - (3 * ((y + 4900) / 100)) / 4 +
                    static_cast<long long>(day) - 2447094;
        if (date1904) {
            dayNumber -= kDays1904;
        } else if (year == 1900 && month == 2 && day == 29) {
            dayNumber = 60;  // the day the 1900 system counts though it never was
        } else if (dayNumber < 61) {
            dayNumber -= 1;  // serial 1 is 1900-01-01
        }
    }
    return static_cast<double>(dayNumber) + hour / 24.0 + minute / 1440.0 + second / 86400.0 + tenths / 864000.0;
}

double packCalendarDate(bool date1904, int year, int month, int day, int hour, int minute, int second, int tenths)
{
    const double serial = packDate(date1904, year, month, day, hour, minute, second, tenths);
    if (!serialInCalendar(date1904, serial)) throw xlerror("date is out of range");
    return serial;
}

DateParts unpackDate(bool date1904, double serial)
{
    if (!serialInCalendar(date1904, serial)) throw xlerror("serial date is out of range");
    const long long tenths = std::llround(serial * static_cast<double>(kTenthsPerDay));
    const long long i = tenths / kTenthsPerDay;
    DateParts p;
    if (!date1904 && i == 60) {
        p.year = 1900, p.month = 2, p.day = 29;
    } else if (date1904 || i > 0) {
        long long serialDay = i;
        if (!date1904 && serialDay < 60) serialDay += 1;
        long long j = serialDay + 2415019 + (date1904 ? kDays1904 : 0) + 68569;
        const long long n = (4 * j) / 146097;
        j = j - (146097 * n + 3) / 4;
        const long long k = (4000 * (j + 1)) / 1461001;
        j = j - (1461 * k) / 4 + 31;
        const long long m = (80 * j) / 2447;
        p.day = static_cast<int>(j - (2447 * m) / 80);
        j = m / 11;
        p.month = static_cast<int>(m + 2 - 12 * j);
        p.year = static_cast<int>(100 * (n - 49) + k + j);
    }
    long long t = tenths % kTenthsPerDay;
    p.tenths = static_cast<int>(t % 10);
    t /= 10;
    p.second = static_cast<int>(t % 60);
    t /= 60;
    p.minute = static_cast<int>(t % 60);
    p.hour = static_cast<int>(t / 60);
    return p;
}

}  // namespace celvo
