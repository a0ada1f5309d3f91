#pragma once

#include <QString>

namespace fetemark::DataLocations {

// Where the user's data folders go: $XDG_DATA_HOME, else ~/.local/share.
QString dataHome();

} // namespace fetemark::DataLocations
