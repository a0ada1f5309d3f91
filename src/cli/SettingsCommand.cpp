#include "SettingsCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/TextColumns.h"

#include "core/settings/AlertTime.h"
#include "core/settings/SettingsKeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <iterator>

namespace fetemark::cli {
namespace {

// The settings reminders are made from or filtered by: storing one asks for a rebuild.
bool altersReminders(const QString& key)
{
    static const QLatin1StringView keys[] = {Key::ShowCount, Key::UpcomingWindow, Key::AlertTime,
        Key::AlertType, Key::AlertTimeHour, Key::AlertTimeMinute, Key::ShowFacebook,
        Key::ShowCustom, Key::DaysOnly, Key::HideContacts, Key::WifiOnly, Key::AlertSound,
        Key::ContactGroup, Key::PastDays, Key::BadgeMode, Key::EmailAlerts, Key::AlertEmail,
        Key::HolidaySubscriptions, Key::HolidayAlerts, Key::ShowHolidays};
    return std::find(std::begin(keys), std::end(keys), key) != std::end(keys);
}

QString localTimeText(const QDateTime& moment, const Calendar& calendar)
{
    if (!moment.isValid())
        return {};
    const DateParts p = calendar.components(moment);
    return QStringLiteral("%1-%2-%3T%4:%5:%6")
        .arg(p.year, 4, 10, QLatin1Char('0'))
        .arg(p.month, 2, 10, QLatin1Char('0'))
        .arg(p.day, 2, 10, QLatin1Char('0'))
        .arg(p.hour, 2, 10, QLatin1Char('0'))
        .arg(p.minute, 2, 10, QLatin1Char('0'))
        .arg(p.second, 2, 10, QLatin1Char('0'));
}

// JSON numbers arrive as doubles; whole ones are integers in a property list.
QVariant integersFromJson(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (d == static_cast<double>(static_cast<qint64>(d)))
            return QVariant(static_cast<qint64>(d));
        return v;
    }
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant& item : v.toList())
            list.append(integersFromJson(item));
        return list;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = integersFromJson(it.value());
        return map;
    }
    default:
        return v;
    }
}

const char* typeName(SettingType type)
{
    switch (type) {
    case SettingType::Bool:
        return "YES or NO";
    case SettingType::Integer:
        return "a whole number";
    case SettingType::String:
        return "text";
    case SettingType::Date:
        return "a local time YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS]";
    case SettingType::Dictionary:
        return "a JSON object";
    case SettingType::StringList:
        return "a list of texts";
    }
    return "";
}

// A setting as `settings list` shows it: an unregistered flag that was never stored is
// NO, as every reader takes it.
struct ListedSetting {
    const SettingDefinition* definition;
    QVariant value;
    QVariant byDefault;
    bool hidden; // a secret that is set: the listing does not show it
};

ListedSetting listed(const CommandContext& context, const SettingDefinition& d)
{
    const QString key(d.key);
    QVariant value = context.settings.value(key);
    QVariant byDefault = context.settings.registeredValue(key);
    if (d.type == SettingType::Bool) {
        if (!value.isValid())
            value = false;
        if (!byDefault.isValid())
            byDefault = false;
    }
    const bool hidden = d.secret && !value.toString().isEmpty();
    return {&d, value, byDefault, hidden};
}

int unknownSetting(CommandContext& context, const QString& asked)
{
    return context.refuse(
        QStringLiteral("unknown setting key '%1' (see 'fetemark settings list')").arg(asked));
}

// The widest value that keeps its column; a longer one is cut ('settings get' shows it).
constexpr int ValueColumns = 20;

void writeTable(QTextStream& out, const QList<ListedSetting>& rows, const Calendar& calendar)
{
    QStringList values;
    QStringList defaults;
    int keyWidth = 3;
    int nameWidth = 4;
    int valueWidth = 5;
    int defaultWidth = 7;
    for (const ListedSetting& row : rows) {
        values << (row.hidden
                ? QStringLiteral("(hidden)")
                : TextColumns::cellText(SettingsCommand::displayText(row.value, calendar)));
        defaults << TextColumns::cellText(SettingsCommand::displayText(row.byDefault, calendar));
        keyWidth = std::max(keyWidth, TextColumns::width(QString(row.definition->key)));
        nameWidth = std::max(nameWidth, TextColumns::width(QString(row.definition->name)));
        valueWidth =
            std::max(valueWidth, std::min(TextColumns::width(values.last()), ValueColumns));
        defaultWidth =
            std::max(defaultWidth, std::min(TextColumns::width(defaults.last()), ValueColumns));
    }
    auto line = [&](const QString& key, const QString& name, const QString& value,
                    const QString& byDefault, const QString& description) {
        out << TextColumns::padded(key, keyWidth) << "  " << TextColumns::padded(name, nameWidth)
            << "  " << TextColumns::padded(value, valueWidth) << "  "
            << TextColumns::padded(byDefault, defaultWidth) << "  " << description << '\n';
    };
    line(QStringLiteral("KEY"), QStringLiteral("NAME"), QStringLiteral("VALUE"),
        QStringLiteral("DEFAULT"), QStringLiteral("DESCRIPTION"));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const SettingDefinition& d = *rows[i].definition;
        line(QString(d.key), QString(d.name), values[i], defaults[i], QString(d.meaning));
    }
}

} // namespace

QString SettingsCommand::usage() const
{
    return QStringLiteral("settings list\nsettings get KEY\nsettings set KEY VALUE");
}

QList<HelpItem> SettingsCommand::help() const
{
    return {
        {QStringLiteral("list"),
            QStringLiteral("every setting: its stored key, readable name, value, default and "
                           "what it does")},
        {QStringLiteral("get KEY"), QStringLiteral("prints the setting's value")},
        {QStringLiteral("set KEY VALUE"), QStringLiteral("stores a new value")},
        {QStringLiteral("KEY"),
            QStringLiteral("the stored key or its readable name, as 'settings list' shows them "
                           "(800A or show-facebook)")},
        {QStringLiteral("VALUE"),
            QStringLiteral("as the setting takes it: YES or NO (also true, false, 1, 0), a "
                           "whole number, text, a local time YYYY-MM-DD[THH:MM[:SS]], or a JSON "
                           "object")},
    };
}

int SettingsCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args.size() == 1 && args[0] == QLatin1String("list"))
        return list(context);
    if (args.size() == 2 && args[0] == QLatin1String("get"))
        return get(context, args[1]);
    if (args.size() == 3 && args[0] == QLatin1String("set"))
        return set(context, args[1], args[2]);
    return usageError(context);
}

int SettingsCommand::list(CommandContext& context)
{
    QList<ListedSetting> rows;
    for (const SettingDefinition& d : settingDefinitions())
        rows.append(listed(context, d));
    if (context.json) {
        QJsonArray json;
        for (const ListedSetting& row : rows) {
            json.append(QJsonObject {
                {QStringLiteral("key"), QString(row.definition->key)},
                {QStringLiteral("name"), QString(row.definition->name)},
                {QStringLiteral("description"), QString(row.definition->meaning)},
                {QStringLiteral("value"),
                    row.hidden ? QJsonValue() : jsonValue(row.value, context.calendar)},
                {QStringLiteral("default"), jsonValue(row.byDefault, context.calendar)},
            });
        }
        context.out << QJsonDocument(json).toJson(QJsonDocument::Indented);
    } else {
        writeTable(context.out, rows, context.calendar);
    }
    context.out.flush();
    return Success;
}

int SettingsCommand::get(CommandContext& context, const QString& asked)
{
    const SettingDefinition* definition = findSettingByKeyOrName(asked);
    if (!definition)
        return unknownSetting(context, asked);
    const QVariant value = listed(context, *definition).value;
    if (context.json) {
        // Under the key or name the script asked for.
        const QString member = asked == definition->key ? asked : QString(definition->name);
        QJsonObject json;
        json.insert(member, jsonValue(value, context.calendar));
        context.out << QJsonDocument(json).toJson(QJsonDocument::Compact) << '\n';
    } else {
        context.out << displayText(value, context.calendar) << '\n';
    }
    context.out.flush();
    return Success;
}

int SettingsCommand::set(CommandContext& context, const QString& asked, const QString& text)
{
    const SettingDefinition* definition = findSettingByKeyOrName(asked);
    if (!definition)
        return unknownSetting(context, asked);
    if (definition->fromPlatform)
        return context.refuse(
            QStringLiteral("%1 comes from the environment (LANGUAGE, or --locale)").arg(asked));
    QString error;
    const auto value = parseValue(*definition, text, context.calendar, &error);
    if (!value)
        return context.refuse(QStringLiteral("%1: %2").arg(asked, error));
    const QString key(definition->key);
    context.settings.setValue(key, *value);
    AlertTime::followChange(context.settings, context.calendar, key);
    // E-mail alerts switched on must reach the reminder service even without push.
    if (key == Key::EmailAlerts && value->toBool())
        context.settings.setValue(QString(Key::EmailAlertChangePending), true);
    if (!context.settings.synchronize(&error))
        return context.refuse(error);
    if (altersReminders(key))
        context.requestRebuild();
    return Success;
}

std::optional<QVariant> SettingsCommand::parseValue(const SettingDefinition& definition,
    const QString& text, const Calendar& calendar, QString* error)
{
    auto refuse = [&](const QString& why) -> std::optional<QVariant> {
        *error = why;
        return std::nullopt;
    };
    const QString trimmed = text.trimmed();
    switch (definition.type) {
    case SettingType::Bool: {
        static const QStringList yes {
            QStringLiteral("yes"), QStringLiteral("true"), QStringLiteral("1")};
        static const QStringList no {
            QStringLiteral("no"), QStringLiteral("false"), QStringLiteral("0")};
        if (yes.contains(trimmed.toLower()))
            return QVariant(true);
        if (no.contains(trimmed.toLower()))
            return QVariant(false);
        return refuse(QStringLiteral("'%1' is not YES or NO").arg(text));
    }
    case SettingType::Integer: {
        bool ok = false;
        const qint64 n = trimmed.toLongLong(&ok);
        if (!ok)
            return refuse(QStringLiteral("'%1' is not a whole number").arg(text));
        if (definition.minimum < definition.maximum &&
            (n < definition.minimum || n > definition.maximum))
            return refuse(QStringLiteral("%1 is outside %2..%3")
                              .arg(n)
                              .arg(definition.minimum)
                              .arg(definition.maximum));
        return QVariant(n);
    }
    case SettingType::String:
        return QVariant(text);
    case SettingType::Date: {
        const QDateTime moment = FixedClock::parseLocalTime(trimmed, calendar);
        if (!moment.isValid())
            return refuse(QStringLiteral("'%1' is not %2")
                              .arg(text, QLatin1String(typeName(definition.type))));
        return QVariant(moment);
    }
    case SettingType::Dictionary: {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
        if (parseError.error != QJsonParseError::NoError || !document.isObject())
            return refuse(QStringLiteral("'%1' is not a JSON object").arg(text));
        return integersFromJson(document.object().toVariantMap());
    }
    case SettingType::StringList:
        break;
    }
    return refuse(QStringLiteral("this setting cannot be changed here"));
}

QJsonValue SettingsCommand::jsonValue(const QVariant& value, const Calendar& calendar)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QDateTime:
        return localTimeText(value.toDateTime(), calendar);
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toBase64());
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& item : value.toList())
            array.append(jsonValue(item, calendar));
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            object.insert(it.key(), jsonValue(it.value(), calendar));
        return object;
    }
    default:
        return QJsonValue::Null;
    }
}

QString SettingsCommand::displayText(const QVariant& value, const Calendar& calendar)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    case QMetaType::QDateTime:
        return localTimeText(value.toDateTime(), calendar);
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return QString::fromUtf8(
            QJsonDocument(jsonValue(value, calendar).toArray()).toJson(QJsonDocument::Compact));
    case QMetaType::QVariantMap:
        return QString::fromUtf8(
            QJsonDocument(jsonValue(value, calendar).toObject()).toJson(QJsonDocument::Compact));
    default:
        return value.isValid() ? value.toString() : QString();
    }
}

} // namespace fetemark::cli
