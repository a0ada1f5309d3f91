#pragma once

#include <QDateTime>
#include <QObject>

namespace fetemark {

// Wakes the notifier when it has to look at the schedule again. It never polls: the
// real one sleeps on a wall-clock alarm that the system also ends when the clock is set,
// and listens for resume and time-zone changes; the tests' one is woken by hand.
class WakeSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // One wake at `moment`, replacing any asked for before; an invalid moment asks for
    // none (the other wakes still come).
    virtual void wakeAt(const QDateTime& moment) = 0;

signals:
    // The moment asked for has come, or the machine has resumed from sleep, or the clock
    // or the time zone has changed: whatever is due now should be delivered.
    void wake();
};

} // namespace fetemark
