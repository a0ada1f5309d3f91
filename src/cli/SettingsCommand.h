#pragma once

#include "cli/Command.h"

#include "core/settings/SettingsKeys.h"

#include <QJsonValue>
#include <QVariant>

#include <optional>

namespace fetemark {
class Calendar;
}

namespace fetemark::cli {

// `fetemark settings list | get KEY | set KEY VALUE`: settings by their stored keys or
// their readable names.
class SettingsCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("settings"); }
    QString summary() const override
    {
        return QStringLiteral("read and change settings by their stored key or readable name");
    }
    QString usage() const override;
    QList<HelpItem> help() const override;
    int execute(CommandContext& context, const QStringList& args) override;
    DataAccess dataAccess(const QStringList& args) const override
    {
        return args.value(0) == QLatin1String("set") ? DataAccess::ReadWrite : DataAccess::ReadOnly;
    }

    // Text typed by the user → a value of the setting's type, or nullopt with `error`.
    static std::optional<QVariant> parseValue(const SettingDefinition& definition,
        const QString& text, const Calendar& calendar, QString* error);
    // A value as shown: booleans YES/NO, dates as local time, dictionaries as JSON.
    static QString displayText(const QVariant& value, const Calendar& calendar);
    static QJsonValue jsonValue(const QVariant& value, const Calendar& calendar);

private:
    int list(CommandContext& context);
    int get(CommandContext& context, const QString& asked);
    int set(CommandContext& context, const QString& asked, const QString& text);
};

} // namespace fetemark::cli
