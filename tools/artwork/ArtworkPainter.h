#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// The artwork of the list photos, drawn from scratch: the mask that gives a photo its
// outline, the Facebook and address book corner marks, and the blank photos of the list
// rows and of the detail header (a neutral silhouette made into a rounded photo, with the
// marks of its variant). Everything is drawn at two pixels per point.
namespace fetemark::artwork {

// Every file the artwork consists of, in the order they are written.
QStringList fileNames();

// The image of one of fileNames(); null for any other name.
QImage draw(const QString& fileName);

} // namespace fetemark::artwork
