#include "OccasionJson.h"

#include "cli/CommandContext.h"

#include "core/database/RecordDatabase.h"
#include "core/phrases/FunFacts.h"
#include "core/records/OccasionId.h"
#include "core/time/Calendar.h"

namespace fetemark::cli {
namespace {

QString source(const OccasionRecord& r)
{
    if (r.isCustomEntry)
        return QStringLiteral("custom");
    if (r.isFacebookEntry)
        return QStringLiteral("facebook");
    if (r.isHoliday)
        return QStringLiteral("holiday");
    return QStringLiteral("contact");
}

QString dayText(const Calendar& calendar, const QDateTime& moment)
{
    if (!moment.isValid())
        return {};
    const DateParts p = calendar.components(moment);
    return QString::asprintf("%04d-%02d-%02d", p.year, p.month, p.day);
}

QJsonValue textOrNull(const QString& s)
{
    return s.isNull() ? QJsonValue() : QJsonValue(s);
}

} // namespace

QJsonObject recordJson(RecordDatabase& db, const OccasionRecordPtr& r)
{
    const Calendar& calendar = db.gregorian();
    db.ensureStrings(*r);
    return QJsonObject {
        {QStringLiteral("id"), OccasionId::of(*r, calendar)},
        {QStringLiteral("name"), r->name},
        {QStringLiteral("type"), r->type},
        {QStringLiteral("source"), source(*r)},
        {QStringLiteral("label"), r->otherDateLabel},
        {QStringLiteral("rawDate"), dayText(calendar, r->rawDate)},
        {QStringLiteral("detailedText"), textOrNull(r->detailedText)},
        {QStringLiteral("detailedTextSansType"), textOrNull(r->detailedTextSansType)},
        {QStringLiteral("dateText"), textOrNull(r->dateText)},
        {QStringLiteral("longDateText"), textOrNull(r->longDateText)},
        {QStringLiteral("sortDate"), dayText(calendar, r->sortDate)},
        {QStringLiteral("daysUntilDate"), r->daysUntilDate},
        {QStringLiteral("age"), r->age},
        {QStringLiteral("isUpcoming"), r->isUpcoming},
        {QStringLiteral("isBelated"), r->isBelated},
        {QStringLiteral("notificationDate"), r->notificationDate},
        {QStringLiteral("ignoreYear"), r->ignoreYear},
        {QStringLiteral("alertsOff"), r->alertsOff},
        {QStringLiteral("ignoreForUpcoming"), r->ignoreForUpcoming},
        {QStringLiteral("onetime"), r->onetime},
        {QStringLiteral("lionNoYear"), r->lionNoYear},
    };
}

QJsonValue funFactsJson(CommandContext& context, RecordDatabase& db, const OccasionRecord& r)
{
    if (!FunFacts::showFunFacts(r, context.settings))
        return QJsonValue();
    const FunFacts facts(db.texts(), db.gregorian(), context.device.countryCode());
    const QString text = facts.createViewForFunFacts(r);
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace fetemark::cli
