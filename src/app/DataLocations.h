#pragma once

#include <QString>

namespace fetemark::DataLocations {

// Where the user's data folders go: $XDG_DATA_HOME, else $HOME/.local/share. Each counts
// only as an absolute path; empty when neither gives one, so that nothing is written to
// a made-up place such as "/.local/share".
QString dataHome();

} // namespace fetemark::DataLocations
