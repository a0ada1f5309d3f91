#pragma once

#include "core/theme/ApplicationTheme.h"

#include <QIcon>
#include <QPixmap>

namespace fetemark::ThemeIcons {

// The theme's images are drawn at two pixels per point: as pixmaps they say so, and a
// display of any scale draws them at their size in points.
QPixmap pixmap(const ApplicationTheme& theme, ThemeImage image);
// A button icon: `up` normally, `down` while pressed or checked.
QIcon icon(const ApplicationTheme& theme, ThemeImage up, ThemeImage down);
// A resource image ("InfoIcon_Phone.png") under images/ of the resources, as a pixmap at
// two pixels per point; null when it is missing.
QPixmap resourcePixmap(const QString& name);

} // namespace fetemark::ThemeIcons
