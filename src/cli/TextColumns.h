#pragma once

#include <QString>
#include <QStringView>

namespace fetemark::cli {

// Text laid out in columns on a terminal, which gives a wide (CJK, most emoji) character
// two cells and a combining mark none: widths are counted in cells, not in UTF-16 units,
// and a text is cut only between whole characters (grapheme clusters).
namespace TextColumns {

// The text as one cell of a table: line breaks and tabs become spaces, and the
// characters a terminal would act on are spelled out (VisibleText), so that the width
// counted is the width shown.
QString cellText(QString text);
// Cells the text takes: per character East Asian Wide and Fullwidth 2, combining marks,
// format characters and Hangul vowel and final jamo 0, the rest 1; a cluster of several
// wide characters joined into one picture (an emoji sequence) takes at most 2.
int width(QStringView text);
// The text in at most `columns` cells: a longer one is cut and ends in an ellipsis.
QString fitted(const QString& text, int columns);
// The text fitted and filled with spaces to exactly `columns` cells.
QString padded(const QString& text, int columns);

} // namespace TextColumns
} // namespace fetemark::cli
