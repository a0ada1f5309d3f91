#pragma once

#include "core/records/OccasionRecord.h"
#include "core/reminders/LocalNotification.h"

#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>
#include <vector>

namespace fetemark {

class Calendar;
class Clock;
class Settings;
class Texts;

// The settings a reminder schedule is made from, read once per rebuild.
struct NotificationSettings {
    int upcomingWindow = 14; // days between an alert's day and its ahead line, 0..31
    int alertHour = 12;
    int alertMinute = 0;
    bool todayLine = true;  // alert type 1 or 3
    bool aheadLine = true;  // alert type 2 or 3
    bool showCount = true;  // badge notifications, and the badge on alerts
    bool countAhead = true; // badge mode other than 0: the day and the look-ahead days
    int alertSound = 1;     // "<n>.wav"; 0 silent
    bool holidayAlerts = false;
    bool showFacebook = false;
    bool showCustom = true;
    bool daysOnly = false;

    // Out-of-range values are brought into range: a window outside 0..31 would leave the
    // look-ahead list without the entries the walk reads.
    static NotificationSettings from(const Settings& settings);
};

// Qualifying records of one day, in database order.
using DayRecords = std::vector<const OccasionRecord*>;
// By notification key (OccasionRecord::notificationDate).
using DayTable = QHash<QString, DayRecords>;

// Works out the notifications the device should hold: for each of the next 91 days a
// silent one at local midnight that sets the icon badge (only when the count changes)
// and one at the alert time listing the day's occasions and those `upcomingWindow` days
// ahead. Pure: the records, settings, now and the device zone's calendar in, the list
// out; handing it to the notification center is syncNotificationsWithArray's job.
// Keeps references to the calendar and texts: one planner per rebuild and thread.
class NotificationPlanner {
public:
    static constexpr int DaysWalked = 91;
    // The walk ends at the first day that begins with more than this many created, so a
    // schedule holds at most two more.
    static constexpr int StopAfter = 45;
    // Nothing is scheduled to fire sooner than this: it could be gone before it is handed over.
    static constexpr int LeadSeconds = 60;
    static constexpr int MaxAlertLength = 240;

    // Verbosity levels of getNotificationLine, most to least wordy.
    enum Wordy : int { FullNames = 200, Phrases = 100, Kinds = 1, ShortKinds = 0 };

    NotificationPlanner(
        const NotificationSettings& settings, const Calendar& calendar, const Texts& texts);

    // The records that may remind, grouped by day: none ignored for upcoming, with alerts
    // off, ignored on Facebook, or of a source (holidays, custom, Facebook) switched off.
    static DayTable dayTable(
        const std::vector<OccasionRecordPtr>& records, const NotificationSettings& settings);

    // The schedule, in creation order, as seen at `now`.
    std::vector<LocalNotification> localNotifications(
        const DayTable& days, const QDateTime& now) const;
    std::vector<LocalNotification> localNotifications(
        const std::vector<OccasionRecordPtr>& records, const QDateTime& now) const;

    // "Tomorrow: ", "In 2 Weeks: ", "In 5 Days: "...
    QString daysAway(int days) const;
    QString todayPrefix() const;

    // `previous`, then on a new line `prefix` and the records: their count when
    // `generic`, else each by name and, with `showOccurrence`, what occurs at `wordy`.
    // Nothing is added for no records.
    QString getNotificationLine(const DayRecords& records, const QString& previous,
        const QString& prefix, bool generic, bool showOccurrence, int wordy) const;

    // The alert for a day: the today line and the ahead line, at the wordiest of the
    // fitting steps that is not oversized (the last step is taken as it comes).
    QString alertText(const DayRecords& today, const DayRecords& ahead) const;

    // Longer than an alert may be, or, when a measure is set, taller than its box.
    bool notificationOversized(const QString& text) const;
    // The measure of laid-out text (true: too tall); none means length alone decides.
    void setTallerThanBox(std::function<bool(const QString&)> measure)
    {
        m_tallerThanBox = std::move(measure);
    }

private:
    struct Step {
        bool generic;
        bool showOccurrence;
        int wordy;
    };
    QString composeAlert(const DayRecords& today, const DayRecords& ahead, const Step& todayStep,
        const Step& aheadStep, const QString& aheadPrefix) const;
    void appendOccasion(QString& line, const OccasionRecord& record, int wordy) const;
    QString kindText(const OccasionRecord& record, bool longForm) const;
    QString phrase(const OccasionRecord& record, int wordy) const;

    NotificationSettings m_settings;
    const Calendar& m_calendar;
    const Texts& m_texts;
    std::function<bool(const QString&)> m_tallerThanBox;
};

// The schedule a rebuild wants for `records` (the database's list, in its order) as the
// settings stand now: what setupLocalNotifications hands to the notification center,
// its texts measured when this process can measure them.
std::vector<LocalNotification> wantedLocalNotifications(
    const std::vector<OccasionRecordPtr>& records, const Settings& settings, const Clock& clock,
    const Calendar& calendar, const Texts& texts);

} // namespace fetemark
