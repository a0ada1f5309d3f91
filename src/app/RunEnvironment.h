#pragma once

#include "app/AppDelegate.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace fetemark {

// The choices a program is started with (the `fetemark` options before the command).
struct LaunchOptions {
    QString dataDirectory;
    QString now;
    QString timeZone;
    QString locale;
    bool demo = false; // the demo data directory, filled on first use
};

// Where and when a run of Fetemark takes place: the device's zone and locale, the clock,
// the data directory and how reminders are delivered, resolved once from the options and
// the process environment. The window and the command start from the same one.
struct RunEnvironment {
    DeviceEnvironment device;
    std::unique_ptr<Clock> clock;
    QString dataDirectory; // absolute and clean
    ReminderDelivery delivery = ReminderDelivery::Local;
    QString serviceBase; // for Service delivery
    // The zone the system is in now, for a run that follows it (neither --tz nor TZ
    // chose one); none: the run's zone is fixed.
    std::function<QString()> systemZone;

    // The environment, or nullopt with `error` saying what to change. The demo directory
    // is created and filled here, on first use.
    static std::optional<RunEnvironment> resolve(const LaunchOptions& options, QString* error);
};

} // namespace fetemark
