#include "common/DateStamp.h"

#include "platform/Platform.h"

#include <climits>
#include <cmath>

namespace
{

constexpr qint64 MSecsPerDay = 86400000;
// The dates a TDateTime may hold: 1 January 0001 to 31 December 9999. Anything outside (and
// NaN or infinity) is no date at all.
constexpr double MinDateTime = -693593.0;
constexpr double MaxDateTime = 2958466.0;

QDate Epoch()
{
    return QDate(1899, 12, 30);
}

} // namespace

TDateTime ToTDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return 0;
    const QDateTime local = dateTime.toLocalTime();
    const qint64 days = Epoch().daysTo(local.date());
    const double timeOfDay = static_cast<double>(local.time().msecsSinceStartOfDay()) / MSecsPerDay;
    // Before the epoch the whole part counts days back and the fraction is still the time of
    // day: 29 December 1899 06:00 is -1.25.
    return days >= 0 ? static_cast<double>(days) + timeOfDay : static_cast<double>(days) - timeOfDay;
}

QDateTime FromTDateTime(TDateTime value)
{
    if (!std::isfinite(value) || value < MinDateTime || value >= MaxDateTime)
        return QDateTime();
    const double whole = std::trunc(value);
    qint64 msecs = std::llround(std::fabs(value - whole) * MSecsPerDay);
    QDate date = Epoch().addDays(static_cast<qint64>(whole));
    if (msecs >= MSecsPerDay) { // rounding reached the next midnight
        msecs -= MSecsPerDay;
        date = date.addDays(1);
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs)));
}

int DayNumber(TDateTime value)
{
    if (std::isnan(value))
        return 0;
    const double whole = std::trunc(value);
    if (whole <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (whole >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(whole);
}

TDateStamp StampNow()
{
    TDateStamp stamp;
    stamp.NowDateTime = ToTDateTime(platform::Current().Now());
    stamp.TodayDate = std::trunc(stamp.NowDateTime);
    stamp.TimeStamp = DateStamp(stamp.NowDateTime);
    return stamp;
}

QString DateStamp(TDateTime dateTime)
{
    const QDateTime dt = FromTDateTime(dateTime);
    if (!dt.isValid())
        return QString(); // no date to show
    const QDate d = dt.date();
    const QTime t = dt.time(); // seconds and milliseconds are dropped, not rounded
    return QString::asprintf("%2d.%02d, %2d/%2d/%04d", t.hour(), t.minute(), d.day(), d.month(), d.year());
}
