#include "OccasionJson.h"

#include "cli/CommandContext.h"
#include "cli/JsonWriter.h"

#include "core/database/RecordDatabase.h"
#include "core/phrases/FunFacts.h"
#include "core/records/OccasionId.h"
#include "core/settings/Settings.h"
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
    if (p.year < 0 || p.year > 9999 || !p.ok())
        return QString::asprintf("%04d-%02d-%02d", p.year, p.month, p.day);
    // The same digits as the printf form above, which a list of every row pays for dearly.
    const char16_t text[10] = {char16_t(u'0' + p.year / 1000), char16_t(u'0' + p.year / 100 % 10),
        char16_t(u'0' + p.year / 10 % 10), char16_t(u'0' + p.year % 10), u'-',
        char16_t(u'0' + p.month / 10), char16_t(u'0' + p.month % 10), u'-',
        char16_t(u'0' + p.day / 10), char16_t(u'0' + p.day % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
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
    QJsonObject json {
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
    if (r->isHoliday) {
        json.insert(QStringLiteral("category"), r->category);
        json.insert(QStringLiteral("holiday"), r->holidayKey);
    }
    return json;
}

QJsonValue funFactsJson(const Settings& settings, const FunFacts& facts, const OccasionRecord& r)
{
    if (!FunFacts::showFunFacts(r, settings))
        return QJsonValue();
    const QString text = facts.createViewForFunFacts(r);
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue funFactsJson(CommandContext& context, RecordDatabase& db, const OccasionRecord& r)
{
    if (!FunFacts::showFunFacts(r, context.settings))
        return QJsonValue();
    const FunFacts facts(db.texts(), db.gregorian(), context.device.countryCode());
    return funFactsJson(context.settings, facts, r);
}

// Members in the order QJsonObject sorts recordJson's and the list row's own, so both
// forms print the same text.
void writeRecordJson(JsonWriter& json, const Calendar& calendar, const OccasionRecord& r,
    int location, const QJsonValue& funFacts)
{
    json.beginObject();
    json.member(QLatin1StringView("age"), r.age);
    json.member(QLatin1StringView("alertsOff"), r.alertsOff);
    if (r.isHoliday)
        json.member(QLatin1StringView("category"), r.category);
    json.member(QLatin1StringView("dateText"), textOrNull(r.dateText));
    json.member(QLatin1StringView("daysUntilDate"), r.daysUntilDate);
    json.member(QLatin1StringView("detailedText"), textOrNull(r.detailedText));
    json.member(QLatin1StringView("detailedTextSansType"), textOrNull(r.detailedTextSansType));
    json.member(QLatin1StringView("funFacts"), funFacts);
    if (r.isHoliday)
        json.member(QLatin1StringView("holiday"), r.holidayKey);
    json.member(QLatin1StringView("id"), OccasionId::of(r, calendar));
    json.member(QLatin1StringView("ignoreForUpcoming"), r.ignoreForUpcoming);
    json.member(QLatin1StringView("ignoreYear"), r.ignoreYear);
    json.member(QLatin1StringView("isBelated"), r.isBelated);
    json.member(QLatin1StringView("isUpcoming"), r.isUpcoming);
    json.member(QLatin1StringView("label"), r.otherDateLabel);
    json.member(QLatin1StringView("lionNoYear"), r.lionNoYear);
    json.member(QLatin1StringView("location"), location);
    json.member(QLatin1StringView("longDateText"), textOrNull(r.longDateText));
    json.member(QLatin1StringView("name"), r.name);
    json.member(QLatin1StringView("notificationDate"), r.notificationDate);
    json.member(QLatin1StringView("onetime"), r.onetime);
    json.member(QLatin1StringView("rawDate"), dayText(calendar, r.rawDate));
    json.member(QLatin1StringView("sortDate"), dayText(calendar, r.sortDate));
    json.member(QLatin1StringView("source"), source(r));
    json.member(QLatin1StringView("type"), r.type);
    json.endObject();
}

} // namespace fetemark::cli
