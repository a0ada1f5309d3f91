#include "NotificationPlanner.h"

#include "core/database/OccasionCalculator.h"
#include "core/reminders/AlertTextMeasure.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"

#include <algorithm>
#include <array>
#include <deque>
#include <optional>

namespace fetemark {

namespace {

const DayRecords NoRecords;

// The fitting steps, wordiest first: today line, ahead line.
struct StepPair {
    bool todayGeneric, todayOccurrence;
    int todayWordy;
    bool aheadGeneric, aheadOccurrence;
    int aheadWordy;
};
constexpr std::array<StepPair, 9> FittingSteps {{
    {false, true, 200, false, true, 200},
    {false, true, 100, false, true, 100},
    {false, true, 100, false, true, 1},
    {false, true, 1, false, true, 1},
    {false, true, 1, false, true, 0},
    {false, true, 0, false, true, 0},
    {false, true, 0, false, false, 0},
    {false, true, 0, true, false, 0},
    {true, true, 0, true, false, 0},
}};

int intSetting(const Settings& settings, QLatin1StringView key, int low, int high)
{
    return int(std::clamp<qint64>(settings.integerValue(QString(key)), low, high));
}

QString oneLine(const QString& text)
{
    return QString(text).replace(u'\n', u' ');
}

bool isBirthday(const OccasionRecord& r)
{
    return r.type == OccasionRecord::Birthday || r.fakeBirthday;
}

bool isAnniversary(const OccasionRecord& r)
{
    return r.type == OccasionRecord::Anniversary || r.fakeAnniversary;
}

// The name a smart label gave a birthday ("Birthday of Max" on Anna's card names Max);
// empty when the label was the birthday word alone, and the contact's name stands.
QString smartBirthdayName(const OccasionRecord& r)
{
    return r.fakeBirthday ? oneLine(r.smartLabel).trimmed() : QString();
}

QString firstNameOrName(const OccasionRecord& r)
{
    return oneLine(r.firstName.isEmpty() ? r.name : r.firstName);
}

QString shownName(const OccasionRecord& r)
{
    const QString smart = smartBirthdayName(r);
    return smart.isEmpty() ? firstNameOrName(r) : smart;
}

} // namespace

NotificationSettings NotificationSettings::from(const Settings& settings)
{
    NotificationSettings s;
    s.upcomingWindow = intSetting(settings, Key::UpcomingWindow, 0, 31);
    // An hour or minute never seeded (-1) reads as the top of the hour or midnight.
    s.alertHour = intSetting(settings, Key::AlertTimeHour, 0, 23);
    s.alertMinute = intSetting(settings, Key::AlertTimeMinute, 0, 59);
    const qint64 type = settings.integerValue(QString(Key::AlertType));
    s.todayLine = type == 1 || type == 3;
    s.aheadLine = type == 2 || type == 3;
    s.showCount = settings.boolValue(QString(Key::ShowCount));
    s.countAhead = settings.integerValue(QString(Key::BadgeMode)) != 0;
    s.alertSound = intSetting(settings, Key::AlertSound, 0, 1 << 20);
    s.holidayAlerts = settings.boolValue(QString(Key::HolidayAlerts));
    s.showFacebook = settings.boolValue(QString(Key::ShowFacebook));
    s.showCustom = settings.boolValue(QString(Key::ShowCustom));
    s.daysOnly = settings.boolValue(QString(Key::DaysOnly));
    return s;
}

NotificationPlanner::NotificationPlanner(
    const NotificationSettings& settings, const Calendar& calendar, const Texts& texts)
    : m_settings(settings), m_calendar(calendar), m_texts(texts)
{
}

DayTable NotificationPlanner::dayTable(
    const std::vector<OccasionRecordPtr>& records, const NotificationSettings& settings)
{
    DayTable days;
    for (const OccasionRecordPtr& record : records) {
        const OccasionRecord& r = *record;
        if (r.ignoreForUpcoming || (r.isHoliday && !settings.holidayAlerts) || r.alertsOff ||
            r.isIgnoredFacebook || (r.isCustomEntry && !settings.showCustom) ||
            (r.isFacebookEntry && !settings.showFacebook) || r.notificationDate.isEmpty())
            continue;
        days[r.notificationDate].push_back(&r);
    }
    return days;
}

std::vector<LocalNotification> NotificationPlanner::localNotifications(
    const std::vector<OccasionRecordPtr>& records, const QDateTime& now) const
{
    return localNotifications(dayTable(records, m_settings), now);
}

std::vector<LocalNotification> NotificationPlanner::localNotifications(
    const DayTable& days, const QDateTime& now) const
{
    const int window = m_settings.upcomingWindow;
    const QDateTime threshold = now.addSecs(LeadSeconds);
    const DateParts today = m_calendar.components(now);
    const auto midnightOf = [&](int offset) {
        return m_calendar.date(today.year, today.month, today.day + offset);
    };
    const auto recordsOf = [&](int offset) -> const DayRecords* {
        const auto it = days.constFind(OccasionCalculator::notificationKey(midnightOf(offset)));
        return it == days.constEnd() ? &NoRecords : &*it;
    };
    // Entry 0 holds the day's own occasions, entry `window` those `window` days after it.
    std::deque<const DayRecords*> sliding {&NoRecords};
    for (int offset = 0; offset < window; ++offset)
        sliding.push_back(recordsOf(offset));

    const QString zone = m_calendar.timeZoneId();
    const QString sound = m_settings.alertSound >= 1
        ? QStringLiteral("%1.wav").arg(m_settings.alertSound)
        : QString();
    const auto badgeNumber = [](int count) {
        return count == 0 ? LocalNotification::ClearBadge : count;
    };
    std::vector<LocalNotification> out;
    std::optional<int> lastBadge;
    for (int d = 0; d < DaysWalked; ++d) {
        sliding.pop_front();
        sliding.push_back(recordsOf(d + window));
        if (out.size() > std::size_t(StopAfter))
            break;
        int badge = int(sliding.front()->size());
        if (m_settings.countAhead) {
            for (std::size_t i = 1; i < sliding.size(); ++i)
                badge += int(sliding[i]->size());
        }
        const QDateTime midnight = midnightOf(d);
        if (m_settings.showCount && midnight > threshold && lastBadge != badge) {
            out.push_back({midnight, zone, {}, {}, badgeNumber(badge)});
            lastBadge = badge;
        }
        const DayRecords& todays = m_settings.todayLine ? *sliding.front() : NoRecords;
        const DayRecords& aheads =
            window >= 1 && m_settings.aheadLine ? *sliding.back() : NoRecords;
        const QDateTime alertTime = m_calendar.date(
            today.year, today.month, today.day + d, m_settings.alertHour, m_settings.alertMinute);
        if (alertTime <= threshold || (todays.empty() && aheads.empty()))
            continue;
        const QString text = alertText(todays, aheads);
        if (text.isEmpty())
            continue;
        out.push_back(
            {alertTime, zone, text, sound, m_settings.showCount ? badgeNumber(badge) : 0});
        if (m_settings.showCount)
            lastBadge = badge;
    }
    return out;
}

QString NotificationPlanner::todayPrefix() const
{
    return m_texts.text(QStringLiteral("LN_Today"), QStringLiteral("Today")) + QStringLiteral(": ");
}

QString NotificationPlanner::daysAway(int days) const
{
    QString prefix;
    if (days == 1) {
        prefix = m_texts.text(QStringLiteral("LN_In1Day"), QStringLiteral("Tomorrow"));
    } else if (days % 7 == 0 && !m_settings.daysOnly) {
        prefix = days == 7 ? m_texts.text(QStringLiteral("LN_In1Week"), QStringLiteral("In 1 Week"))
                           : m_texts.format(QStringLiteral("LN_InXWeeks"),
                                 QStringLiteral("In %d Weeks"), {std::int64_t(days / 7)});
    } else if (days == 31 && !m_settings.daysOnly) {
        prefix = m_texts.text(QStringLiteral("LN_In1Month"), QStringLiteral("In 1 Month"));
    } else {
        prefix = m_texts.format(
            QStringLiteral("LN_InXDays"), QStringLiteral("In %d Days"), {std::int64_t(days)});
    }
    return prefix + QStringLiteral(": ");
}

QString NotificationPlanner::getNotificationLine(const DayRecords& records, const QString& previous,
    const QString& prefix, bool generic, bool showOccurrence, int wordy) const
{
    QString line = previous;
    if (records.empty())
        return line;
    if (!line.isEmpty())
        line += u'\n';
    line += prefix;
    if (generic) {
        line += records.size() == 1
            ? m_texts.text(QStringLiteral("LN_1Occasion"), QStringLiteral("1 Occasion"))
            : m_texts.format(QStringLiteral("LN_xOccasions"), QStringLiteral("%d Occasions"),
                  {std::int64_t(records.size())});
        return line;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i > 0)
            line += QStringLiteral(", ");
        const OccasionRecord& r = *records[i];
        if (!showOccurrence || wordy <= Kinds)
            line += shownName(r);
        if (showOccurrence)
            appendOccasion(line, r, wordy);
    }
    return line;
}

void NotificationPlanner::appendOccasion(QString& line, const OccasionRecord& r, int wordy) const
{
    if (wordy <= Kinds) {
        line += QStringLiteral(" (") + kindText(r, wordy == Kinds) + u')';
        return;
    }
    if (isBirthday(r) || isAnniversary(r)) {
        line += phrase(r, wordy);
        return;
    }
    if (r.otherDateLabel.isEmpty()) {
        line += firstNameOrName(r);
        return;
    }
    // The name a phrase would use, but the label is left to the less wordy steps.
    QString name = smartBirthdayName(r);
    if (name.isEmpty())
        name = oneLine(wordy > Phrases && !r.name.isEmpty() ? r.name : firstNameOrName(r));
    line += name + QStringLiteral(" (") +
        m_texts.text(QStringLiteral("LN_other_long"), QStringLiteral("other")) + u')';
}

QString NotificationPlanner::kindText(const OccasionRecord& r, bool longForm) const
{
    if (isBirthday(r)) {
        return longForm
            ? m_texts.text(QStringLiteral("LN_birthday_long"), QStringLiteral("birthday"))
            : m_texts.text(QStringLiteral("LN_birthday_short"), QStringLiteral("bday"));
    }
    if (isAnniversary(r)) {
        return longForm
            ? m_texts.text(QStringLiteral("LN_anniversary_long"), QStringLiteral("anniversary"))
            : m_texts.text(QStringLiteral("LN_anniversary_short"), QStringLiteral("anniv"));
    }
    if (longForm && !r.otherDateLabel.isEmpty())
        return OccasionRecord::formattedCustomLabel(r.otherDateLabel, m_texts);
    return m_texts.text(QStringLiteral("LN_other_long"), QStringLiteral("other"));
}

// "Anna Berg's Birthday": the full name above Phrases, the first name at it.
QString NotificationPlanner::phrase(const OccasionRecord& r, int wordy) const
{
    QString name = smartBirthdayName(r);
    if (name.isEmpty()) {
        if (wordy > Phrases && r.fakeAnniversary && !r.originalName.isEmpty())
            name = oneLine(r.originalName);
        else if (wordy > Phrases && !r.name.isEmpty())
            name = oneLine(r.name);
        else
            name = firstNameOrName(r);
    }
    return isBirthday(r) ? m_texts.format(QStringLiteral("LN_birthday_reallylong"),
                               QStringLiteral("%@'s Birthday"), {name})
                         : m_texts.format(QStringLiteral("LN_anniversary_reallylong"),
                               QStringLiteral("%@'s Anniversary"), {name});
}

QString NotificationPlanner::composeAlert(const DayRecords& today, const DayRecords& ahead,
    const Step& todayStep, const Step& aheadStep, const QString& aheadPrefix) const
{
    const QString first = getNotificationLine(
        today, {}, todayPrefix(), todayStep.generic, todayStep.showOccurrence, todayStep.wordy);
    return getNotificationLine(
        ahead, first, aheadPrefix, aheadStep.generic, aheadStep.showOccurrence, aheadStep.wordy);
}

QString NotificationPlanner::alertText(const DayRecords& today, const DayRecords& ahead) const
{
    const QString aheadPrefix = ahead.empty() ? QString() : daysAway(m_settings.upcomingWindow);
    QString text;
    for (std::size_t i = 0; i < FittingSteps.size(); ++i) {
        const StepPair& s = FittingSteps[i];
        text = composeAlert(today, ahead, {s.todayGeneric, s.todayOccurrence, s.todayWordy},
            {s.aheadGeneric, s.aheadOccurrence, s.aheadWordy}, aheadPrefix);
        if (i + 1 == FittingSteps.size() || !notificationOversized(text))
            break;
    }
    return text;
}

bool NotificationPlanner::notificationOversized(const QString& text) const
{
    return text.size() > MaxAlertLength || (m_tallerThanBox && m_tallerThanBox(text));
}

std::vector<LocalNotification> wantedLocalNotifications(
    const std::vector<OccasionRecordPtr>& records, const Settings& settings, const Clock& clock,
    const Calendar& calendar, const Texts& texts)
{
    NotificationPlanner planner(NotificationSettings::from(settings), calendar, texts);
    planner.setTallerThanBox(AlertTextMeasure::plannerTest());
    return planner.localNotifications(records, clock.now());
}

} // namespace fetemark
