#include "SetupNotificationsOperation.h"

#include "app/AppDelegate.h"

namespace fetemark {

SetupNotificationsOperation::Input SetupNotificationsOperation::Input::snapshot(
    const std::vector<OccasionRecordPtr>& records, const Settings& settings)
{
    Input input;
    input.records.reserve(records.size());
    for (const OccasionRecordPtr& record : records) {
        // copy() leaves out what the database derives; the planner groups by day.
        OccasionRecordPtr own = record->copy();
        own->notificationDate = record->notificationDate;
        own->daysUntilDate = record->daysUntilDate;
        own->isUpcoming = record->isUpcoming;
        own->age = record->age;
        own->isPhantomBirthday = record->isPhantomBirthday;
        own->lionNoYear = record->lionNoYear;
        input.records.push_back(std::move(own));
    }
    input.settings = NotificationSettings::from(settings);
    return input;
}

void SetupNotificationsOperation::main()
{
    if (isCancelled())
        return;
    // A cancelled rebuild leaves the strip to the rebuild that replaced it.
    if (m_app.setupLocalNotifications(m_input, this).outcome !=
        NotificationSyncResult::Outcome::Cancelled)
        m_app.hideUpdatingNotifications();
}

} // namespace fetemark
