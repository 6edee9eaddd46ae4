#pragma once
// TDateTime (days since 1899-12-30, local time, the fraction the time of day) and the date stamp.

#include "common/Globals.h"

#include <QDateTime>

TDateTime ToTDateTime(const QDateTime &local);
QDateTime FromTDateTime(TDateTime value); // local time; invalid for values out of range
int DayNumber(TDateTime value);           // the whole part, as the store keeps days

// NowDateTime := now (platform clock); TodayDate := its whole day; then DateStamp(NowDateTime).
void StampNow();
// TimeStamp := «HH.MM, DD/MM/YYYY» of the date-time, as «14.30,  9/ 3/2017». Changes nothing else.
void DateStamp(TDateTime dateTime);
