#pragma once

#include "core/reminders/ProviderRequest.h"
#include "core/time/DeviceEnvironment.h"

namespace fetemark {

class Settings;

// What this machine tells the reminder service about itself: the push token, the model
// named by the firmware, the system and program versions, the zone and the interface
// languages (the stored choice, else the device's). Linux has no push registration: a
// token given stands for a registered device that wants badges, sounds and alerts.
ProviderDevice providerDeviceInfo(
    const DeviceEnvironment& device, const Settings& settings, const QString& deviceToken);

} // namespace fetemark
