#pragma once
// TDateTime (days since 1899-12-30, local time, the fraction the time of day) and the date stamp.

#include "common/Globals.h"

#include <QDateTime>

// Exact to the millisecond. Before 1899-12-30 the whole part counts days back and the fraction
// is still the time of day (-1.25 is 29 December 1899, 06:00). An invalid QDateTime gives 0.
TDateTime ToTDateTime(const QDateTime &local);
// Local time; invalid for NaN, infinity and values outside the years 1 to 9999.
QDateTime FromTDateTime(TDateTime value);
int DayNumber(TDateTime value); // the whole part, truncated toward zero; NaN gives 0, huge values clamp

// NowDateTime := now (platform clock); TodayDate := its whole day; then DateStamp(NowDateTime).
void StampNow();
// TimeStamp := «HH.MM, DD/MM/YYYY» of the date-time, as «14.30,  9/ 3/2017». Changes nothing else.
// A value that is no date gives an empty TimeStamp.
void DateStamp(TDateTime dateTime);
