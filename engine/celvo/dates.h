// Serial dates as spreadsheets count them, in both date systems: in the 1900
// system serial 1 is 1900-01-01 and 60 the fictitious 1900-02-29 (the
// serials from 61 on are the plain day count); in the 1904 system serial 0
// is 1904-01-01. The seventh date part counts tenths of a second.
#pragma once

namespace celvo {

struct DateParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, tenths = 0;
};

// The serial of a date and time. Year, month and day all 0 or less give a
// pure time (day 0). The parts are not checked: a month of 13 is the next
// year's January, 25 hours are a day and an hour; any parts give a finite
// serial, which may lie outside the calendar.
double packDate(bool date1904, int year, int month, int day, int hour, int minute, int second, int tenths);

// The same for a date that a cell can hold: throws xlerror("date is out of
// range") when the parts come to a serial that unpackDate refuses (before
// the first day of the date system, or past 9999-12-31).
double packCalendarDate(bool date1904, int year, int month, int day, int hour, int minute, int second, int tenths);

// The date and time of a serial, rounded to the nearest tenth of a second
// before it is split, so that every date and time that packDate packs comes
// back as it went in. A serial below 1 gives year, month and day 0 (a pure
// time) in the 1900 system. Throws xlerror("serial date is out of range")
// for a serial that is not finite, is negative or lies past 9999-12-31.
DateParts unpackDate(bool date1904, double serial);

// Hands the parts of a date to the outputs of the book interface; a null
// output is passed over.
inline void putDateParts(const DateParts& p, int* year, int* month, int* day, int* hour, int* minute, int* second,
                         int* tenths) noexcept
{
    if (year) *year = p.year;
    if (month) *month = p.month;
    if (day) *day = p.day;
    if (hour) *hour = p.hour;
    if (minute) *minute = p.minute;
    if (second) *second = p.second;
    if (tenths) *tenths = p.tenths;
}

}  // namespace celvo
