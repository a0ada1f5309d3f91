#pragma once

#include "app/RunEnvironment.h"

#include <functional>

namespace fetemark::gui {

// Opens Fetemark's window and runs until it is closed or the process is asked to end
// (SIGTERM, SIGINT); the application's termination steps run once before it returns.
// A window already open over the same data directory is brought forward instead, and
// the status is 0. `beforeWindow` runs once this run is the one to open the window. A
// QApplication must exist. Returns the exit status: 1 when the data directory cannot be
// used (the reason on standard error).
int runWindow(const LaunchOptions& options, const std::function<void()>& beforeWindow = {});

} // namespace fetemark::gui
