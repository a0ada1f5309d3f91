#include "SettingsCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"

#include "core/settings/AlertTime.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fetemark::cli {
namespace {

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

} // namespace

QString SettingsCommand::usage() const
{
    return QStringLiteral("settings list\nsettings get KEY\nsettings set KEY VALUE");
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
    // Registered keys in their table order, then the others that hold a value.
    QJsonObject json;
    QStringList lines;
    int width = 0;
    QList<std::pair<QString, QVariant>> rows;
    for (const SettingDefinition& d : settingDefinitions()) {
        const QString key(d.key);
        if (!d.registered && !context.settings.contains(key))
            continue;
        rows.append({key, context.settings.value(key)});
        width = std::max(width, int(key.size()));
    }
    const QString languages(Key::AppleLanguages);
    rows.append({languages, context.settings.value(languages)});

    for (const auto& [key, value] : rows) {
        if (context.json)
            json.insert(key, jsonValue(value, context.calendar));
        else
            context.out << key.leftJustified(width + 2) << displayText(value, context.calendar)
                        << '\n';
    }
    if (context.json)
        context.out << QJsonDocument(json).toJson(QJsonDocument::Indented);
    context.out.flush();
    return Success;
}

int SettingsCommand::get(CommandContext& context, const QString& key)
{
    if (key != QLatin1String(Key::AppleLanguages) && !findSettingDefinition(key))
        return context.refuse(
            QStringLiteral("unknown setting key '%1' (see 'fetemark settings list')").arg(key));
    const QVariant value = context.settings.value(key);
    if (context.json) {
        QJsonObject json;
        json.insert(key, jsonValue(value, context.calendar));
        context.out << QJsonDocument(json).toJson(QJsonDocument::Compact) << '\n';
    } else {
        context.out << displayText(value, context.calendar) << '\n';
    }
    context.out.flush();
    return Success;
}

int SettingsCommand::set(CommandContext& context, const QString& key, const QString& text)
{
    if (key == QLatin1String(Key::AppleLanguages))
        return context.refuse(
            QStringLiteral("AppleLanguages comes from the environment (LANGUAGE, or --locale)"));
    const SettingDefinition* definition = findSettingDefinition(key);
    if (!definition)
        return context.refuse(
            QStringLiteral("unknown setting key '%1' (see 'fetemark settings list')").arg(key));
    QString error;
    const auto value = parseValue(*definition, text, context.calendar, &error);
    if (!value)
        return context.refuse(QStringLiteral("%1: %2").arg(key, error));
    context.settings.setValue(key, *value);
    AlertTime::followChange(context.settings, context.calendar, key);
    if (!context.settings.synchronize(&error))
        return context.refuse(error);
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
