#include "DetailedInfoExtra.h"

#include "core/database/RecordDatabase.h"
#include "core/list/ListPhotos.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/Clock.h"

namespace fetemark::DetailedInfoExtra {

QString settingsRowTitle(const Texts& texts)
{
    return texts.text(
        QStringLiteral("IndividualSettings"), QStringLiteral("Settings for This Occasion"));
}

QString navigationTitle(const OccasionRecord& record)
{
    // A contact's anniversary shown under its label is titled with the contact's name.
    return record.fakeAnniversary && !record.originalName.isEmpty() ? record.originalName
                                                                    : record.name;
}

std::vector<SwitchRow> rows(const OccasionRecord& record, const Texts& texts)
{
    std::vector<SwitchRow> out;
    if (!record.isHoliday) {
        out.push_back({SwitchRow::Kind::IncludeYear, QStringLiteral("IncludeYear"),
            texts.text(QStringLiteral("IncludeYear"), QStringLiteral("Include Year")),
            QStringLiteral("SettingsIcon_ShowAge.png"), !record.ignoreYear, !record.lionNoYear});
    }
    out.push_back({SwitchRow::Kind::Alerts, QStringLiteral("AlertsOnForContact"),
        texts.text(QStringLiteral("AlertsOnForContact"), QStringLiteral("Alerts")),
        QStringLiteral("SettingsIcon_AlertType.png"), !record.alertsOff, true});
    return out;
}

std::optional<QString> helpFooter(
    const OccasionRecord& record, const Settings& settings, const Texts& texts)
{
    if (!record.isHoliday || settings.boolValue(QString(Key::HolidayAlerts)))
        return std::nullopt;
    return texts.text(QStringLiteral("ShowAlertsHelpForHolidays"),
        QStringLiteral(
            "Alerts for holidays are turned off. Turn them on under Settings, Holidays."),
        QStringLiteral("Settings"));
}

bool includeYearChanged(OccasionRecord& record, bool on, RecordDatabase& database, QString* refusal)
{
    const QDateTime today = database.gregorian().startOfDay(database.clock().now());
    if (on && record.onetime && record.rawDate.isValid() && record.rawDate < today) {
        if (refusal)
            *refusal = database.texts().text(QStringLiteral("OneTimeCannotBeInPast"),
                QStringLiteral("A one-time occasion cannot lie in the past."));
        return false;
    }
    record.ignoreYear = !on;
    // The age and the days until it depend on the year as much as the texts do.
    database.updateDataInRecord(record);
    database.populateStrings(record);
    return true;
}

void alertsChanged(OccasionRecord& record, bool on)
{
    record.alertsOff = !on;
}

bool detailedInfoExtraControllerDone(
    RecordDatabase& database, const OccasionRecordPtr& record, QString* error)
{
    bool stored = true;
    if (record->isCustomEntry) {
        stored = database.updateCustomRecord(record, error);
    } else if (record->isFacebookEntry || record->isHoliday) {
        stored = database.writeCustomEntries(error);
    } else {
        ListPhotos::createRoundedImageForOccasionListRecord(database.mainThreadAddressBook(),
            *record, database.records(), database.settings(), database.dataDirectory(),
            ListPhotos::ArtworkScale, database.resourceRoot());
    }
    database.populateStrings(*record);
    return stored;
}

} // namespace fetemark::DetailedInfoExtra
