#include "ProviderCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"

#include "app/ProviderDeviceInfo.h"
#include "core/database/RecordDatabase.h"
#include "core/reminders/ProviderReachability.h"
#include "core/reminders/ProviderRequest.h"
#include "core/settings/SettingsKeys.h"

namespace fetemark::cli {

int ProviderCommand::execute(CommandContext& context, const QStringList& args)
{
    const bool withToken = args.size() == 3 && args[1] == QLatin1String("--device-token");
    if (args.value(0) != QLatin1String("url") || (args.size() != 1 && !withToken))
        return usageError(context);
    QString error;
    const QString base = ProviderRequest::serviceBaseFromEnvironment(&error);
    if (base.isEmpty())
        return context.refuse(error);
    const ProviderDevice d =
        providerDeviceInfo(context.device, context.settings, withToken ? args[2] : QString());
    const DayCounts days =
        ProviderRequest::dayCounts(context.database().records(), context.settings);
    if (!ProviderRequest::shouldSend(d, context.settings))
        context.note(QStringLiteral("no request would be sent: there is no device token and no "
                                    "e-mail alert change is pending"));
    else if (context.settings.boolValue(QString(Key::WifiOnly)) &&
        ProviderReachability::localWiFiConnectionStatus() != ProviderReachability::ReachableViaWiFi)
        context.note(QStringLiteral("no request would be sent now: connections are for Wi-Fi "
                                    "only and there is no Wi-Fi"));
    context.printValue(QLatin1StringView("url"),
        QString::fromLatin1(ProviderRequest::url(base, d, context.settings, days)));
    return Success;
}

} // namespace fetemark::cli
