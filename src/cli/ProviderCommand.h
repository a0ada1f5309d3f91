#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark provider url`: the reminder-service request as this device would send it.
class ProviderCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("provider"); }
    QString summary() const override
    {
        return QStringLiteral("the reminder-service request URL exactly as it would be sent");
    }
    QString usage() const override { return QStringLiteral("provider url [--device-token TEXT]"); }
    QList<HelpItem> help() const override
    {
        return {{QStringLiteral("url"),
                    QStringLiteral("prints the request URL for the service named by "
                                   "$FETEMARK_SERVICE_URL; says so when none would be sent")},
            {QStringLiteral("--device-token TEXT"),
                QStringLiteral("the URL as a device registered for push with this token "
                               "would send it")}};
    }
    int execute(CommandContext& context, const QStringList& args) override;
};

} // namespace fetemark::cli
