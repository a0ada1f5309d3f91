#pragma once

#include <QDateTime>

#include <atomic>

namespace fetemark {

class Calendar;

// The one source of "now". The engine never asks the system clock itself, so every
// date rule can be exercised at any chosen moment.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
};

// A clock that stands still at a given moment until told otherwise (tests, --now).
class FixedClock final : public Clock {
public:
    explicit FixedClock(const QDateTime& moment) : m_msecs(moment.toMSecsSinceEpoch()) { }
    QDateTime now() const override
    {
        return QDateTime::fromMSecsSinceEpoch(m_msecs.load(), Qt::UTC);
    }
    void set(const QDateTime& moment) { m_msecs.store(moment.toMSecsSinceEpoch()); }

    // Reads local time in the calendar's zone: "YYYY-MM-DD" (taken as noon) or
    // "YYYY-MM-DDTHH:MM[:SS]". Anything else, or a date that does not exist, gives an
    // invalid QDateTime.
    static QDateTime parseLocalTime(const QString& text, const Calendar& calendar);

private:
    std::atomic<qint64> m_msecs;
};

} // namespace fetemark
