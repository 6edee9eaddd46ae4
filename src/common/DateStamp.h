#pragma once
// TDateTime (days since 1899-12-30, local time, the fraction the time of day) and the date stamp.

#include <QDateTime>
#include <QString>

using TDateTime = double;

// Exact to the millisecond. Before 1899-12-30 the whole part counts days back and the fraction
// is still the time of day (-1.25 is 29 December 1899, 06:00). An invalid QDateTime gives 0.
TDateTime ToTDateTime(const QDateTime &local);
// Local time; invalid for NaN, infinity and values outside the years 1 to 9999.
QDateTime FromTDateTime(TDateTime value);
int DayNumber(TDateTime value); // the whole part, truncated toward zero; NaN gives 0, huge values clamp

// A moment as the program stamps it.
struct TDateStamp {
    TDateTime NowDateTime = 0; // local date and time
    TDateTime TodayDate = 0;   // the whole day of NowDateTime
    QString TimeStamp;         // display text of NowDateTime (DateStamp)
};

// Now, from the platform clock.
TDateStamp StampNow();
// «HH.MM, DD/MM/YYYY» of the date-time, as «14.30,  9/ 3/2017»; empty for a value that is no date.
QString DateStamp(TDateTime dateTime);
