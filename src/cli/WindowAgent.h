#pragma once

#include "app/RunEnvironment.h"

#include <QString>

namespace fetemark::cli {

// The window's first start installs the notifier agent (reminders come from it, not
// from the window), once: a mark in the configuration folder remembers that it was
// offered, so an agent the person uninstalled later is not brought back. The demo's
// window never installs it: the agent would serve the person's own data directory, not
// the demo's.
enum class AgentOffer {
    Installed,
    OfferedBefore,
    NotForDemo,
    NoConfigHome,
    NoAgentProgram,
    Failed
};

// `programDirectory`: where fetemark-notifier is looked for (beside fetemark). A failure
// is said in `message` and marked as offered, so it is not tried at every start.
AgentOffer offerAgentOnFirstStart(
    const LaunchOptions& options, const QString& programDirectory, QString* message);

} // namespace fetemark::cli
