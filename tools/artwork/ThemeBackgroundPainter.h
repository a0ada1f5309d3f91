#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// The theme backgrounds, drawn from scratch for a window of 390 by 780 points at two
// pixels per point: for each theme with pictures "ThemeBackground_%d.png" (the whole
// window), "ThemeBackground_%d_StartupTop.png" (a 100-point band) and
// "ThemeBackground_%d_SearchBar.png" (the 44-point search bar), plus the option icon of
// the photo theme the user's own theme starts from, "ThemeIcon_9.png".
namespace fetemark::themeart {

// Every file, in the order they are written.
QStringList fileNames();

// The image of one of fileNames(); null for any other name.
QImage draw(const QString& fileName);

} // namespace fetemark::themeart
