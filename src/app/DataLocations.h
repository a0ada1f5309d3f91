#pragma once

#include <QString>

namespace fetemark::DataLocations {

// Where the user's data folders go: $XDG_DATA_HOME, else $HOME/.local/share. Each counts
// only as an absolute path; empty when neither gives one, so that nothing is written to
// a made-up place such as "/.local/share".
QString dataHome();

// The data directory every Fetemark program uses: `option` (--data-dir), else
// $FETEMARK_DATA_DIR, else "fetemark" in the data home. Empty when none is known.
QString dataDirectory(const QString& option);

} // namespace fetemark::DataLocations
