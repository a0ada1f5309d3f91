#pragma once

#include "app/RunEnvironment.h"

namespace fetemark::gui {

// Opens Fetemark's window and runs until it is closed; the application's termination
// steps run before it returns. A QApplication must exist. Returns the exit status: 1
// when the data directory cannot be used (the reason on standard error).
int runWindow(const LaunchOptions& options);

} // namespace fetemark::gui
