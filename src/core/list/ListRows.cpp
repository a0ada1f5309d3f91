#include "ListRows.h"

#include "core/database/RecordDatabase.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"

namespace fetemark::ListRows {

ReminderToggle setWithRecord(const OccasionRecord& r, const Settings& settings)
{
    ReminderToggle toggle;
    toggle.enabled = r.isUpcoming || r.ignoreForUpcoming;
    const bool mutedHoliday =
        r.isHoliday && r.isUpcoming && !settings.boolValue(QString(Key::HolidayAlerts));
    if (mutedHoliday || r.alertsOff) {
        toggle.enabled = false;
        toggle.image = ReminderToggle::Image::None;
    } else if (r.ignoreForUpcoming && r.isUpcoming) {
        toggle.image = ReminderToggle::Image::UpcomingOff;
    } else if (!r.isUpcoming) {
        toggle.image = ReminderToggle::Image::None;
    } else {
        toggle.image = ReminderToggle::Image::UpcomingOn;
    }
    return toggle;
}

TypeIcon typeIcon(const OccasionRecord& r)
{
    if (r.type == OccasionRecord::Birthday || r.fakeBirthday)
        return TypeIcon::Birthday;
    if (r.type == OccasionRecord::Anniversary || r.fakeAnniversary)
        return TypeIcon::Anniversary;
    if (r.type == OccasionRecord::OtherDate)
        return TypeIcon::Other;
    if (r.type == OccasionRecord::Holiday)
        return TypeIcon::Holiday;
    return TypeIcon::None;
}

DetailStyle detailStyle(const OccasionRecord& r)
{
    return {r.daysUntilDate == 0 || r.daysUntilDate == 1, r.daysUntilDate == 0};
}

QString dateLabelText(const OccasionRecord& r, const Settings& settings)
{
    return settings.boolValue(QString(Key::LargeRows)) ? r.longDateText : r.dateText;
}

QString swipeTitle(const OccasionRecord& r, const Texts& texts)
{
    if (r.isHoliday)
        return texts.text(QStringLiteral("HideListItem"), QStringLiteral("Hide"));
    if (r.isFacebookEntry || r.isPhantomBirthday)
        return texts.text(QStringLiteral("RemoveListItem"), QStringLiteral("Remove"));
    return texts.text(QStringLiteral("Delete"), QStringLiteral("Delete"));
}

DeleteDecision deleteDecision(const OccasionRecord& r, const RecordDatabase& database)
{
    using Action = DeleteDecision::Action;
    const bool otherDates = database.areOtherDatesForRecord(r);
    if (r.isFacebookEntry || (r.isPhantomBirthday && !otherDates))
        return {Action::IgnoreFacebookEntry, {}, {}};
    if (r.isHoliday)
        return {Action::UnsubscribeHoliday, {}, {}};
    if (r.isCustomEntry)
        return {
            Action::Ask, QStringLiteral("DeleteCustomEntryWarning"), QStringLiteral("DeleteEntry")};
    QString title = QStringLiteral("DeleteABEntryWarning");
    if (r.isPhantomBirthday && otherDates &&
        database.settings().boolValue(QString(Key::ShowFacebook)))
        title = QStringLiteral("DeleteFacebookUnlinkWarning");
    else if (r.type == OccasionRecord::Birthday && otherDates && database.isRecordFacebookLinked(r))
        title = QStringLiteral("DeleteABEntryUnlinkWarning");
    return {Action::Ask, title, QStringLiteral("DeleteDate")};
}

QString deleteQuestion(const DeleteDecision& d, const Texts& texts)
{
    if (d.titleKey == QLatin1String("DeleteCustomEntryWarning"))
        return texts.text(d.titleKey,
            QStringLiteral(
                "Delete this entry? It is kept only in Fetemark and cannot be restored."));
    if (d.titleKey == QLatin1String("DeleteFacebookUnlinkWarning"))
        return texts.text(d.titleKey,
            QStringLiteral(
                "Remove this Facebook birthday? The friend is unlinked from the contact."));
    if (d.titleKey == QLatin1String("DeleteABEntryUnlinkWarning"))
        return texts.text(d.titleKey,
            QStringLiteral("Delete this date from the contact's card? Its Facebook friend is "
                           "unlinked as well."));
    if (d.titleKey == QLatin1String("DeleteABEntryWarning"))
        return texts.text(d.titleKey, QStringLiteral("Delete this date from the contact's card?"));
    return {};
}

QString deleteButton(const DeleteDecision& d, const Texts& texts)
{
    if (d.destructiveKey == QLatin1String("DeleteEntry"))
        return texts.text(d.destructiveKey, QStringLiteral("Delete Entry"));
    if (d.destructiveKey == QLatin1String("DeleteDate"))
        return texts.text(d.destructiveKey, QStringLiteral("Delete Date"));
    return {};
}

void confirmDelete(const OccasionRecordPtr& r, RecordDatabase& database)
{
    if (r->isCustomEntry && !r->isPhantomBirthday) {
        database.removeCustomRecord(r);
        return;
    }
    if (r->isPhantomBirthday) {
        if (r->type == OccasionRecord::Birthday && !r->facebookLinkID.isEmpty() &&
            database.settings().boolValue(QString(Key::ShowFacebook))) {
            database.removeFacebookLinksForRecord(r->recordID);
            database.updateAddressBookRecord(r->recordID);
        }
        database.removeCustomRecord(r);
        return;
    }
    if (r->type == OccasionRecord::Birthday)
        database.removeFacebookLinksForRecord(r->recordID);
    database.removeDateFromAddressBookRecord(r);
}

} // namespace fetemark::ListRows
