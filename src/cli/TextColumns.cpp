#include "TextColumns.h"

#include "core/text/VisibleText.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <unicode/uchar.h>

#include <algorithm>

namespace fetemark::cli::TextColumns {
namespace {

const QChar Ellipsis(u'\u2026');

int codePointWidth(char32_t c)
{
    const auto category = UCharCategory(u_charType(UChar32(c)));
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK ||
        category == U_FORMAT_CHAR || category == U_CONTROL_CHAR)
        return 0;
    // Vowels and final consonants of Hangul jamo join the syllable before them.
    if ((c >= 0x1160 && c <= 0x11ff) || (c >= 0xd7b0 && c <= 0xd7ff))
        return 0;
    const int eastAsian = u_getIntPropertyValue(UChar32(c), UCHAR_EAST_ASIAN_WIDTH);
    return eastAsian == U_EA_WIDE || eastAsian == U_EA_FULLWIDTH ? 2 : 1;
}

bool isPlainCell(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0x20 && u < 0x300 && !(u >= 0x7f && u < 0xa0) && u != 0xad;
}

int clusterWidth(QStringView cluster)
{
    int cells = 0;
    for (const char32_t c : cluster.toUcs4())
        cells += codePointWidth(c);
    return std::min(cells, 2);
}

// Calls `visit(cluster, cells)` for each grapheme cluster until it returns false.
template<typename Visit> void forEachCluster(QStringView text, Visit visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype from = 0;
    for (qsizetype to = finder.toNextBoundary(); to != -1 && to > from;
         from = to, to = finder.toNextBoundary()) {
        const QStringView cluster = text.mid(from, to - from);
        if (!visit(cluster, clusterWidth(cluster)))
            return;
    }
}

} // namespace

QString cellText(QString text)
{
    for (const QChar c : {QChar(u'\r'), QChar(u'\n'), QChar(u'\t')})
        text.replace(c, QLatin1Char(' '));
    return VisibleText::escaped(text);
}

int width(QStringView text)
{
    // Most names are printable Latin, Greek or Cyrillic without combining marks: one
    // cell a character.
    if (std::all_of(text.begin(), text.end(), isPlainCell))
        return int(text.size());
    int cells = 0;
    forEachCluster(text, [&](QStringView, int clusterCells) {
        cells += clusterCells;
        return true;
    });
    return cells;
}

QString fitted(const QString& text, int columns)
{
    if (width(text) <= columns)
        return text;
    QString cut;
    int cells = 0;
    const int room = columns - 1; // the ellipsis takes a cell
    forEachCluster(text, [&](QStringView cluster, int clusterCells) {
        if (cells + clusterCells > room)
            return false;
        cut += cluster;
        cells += clusterCells;
        return true;
    });
    return columns > 0 ? cut + Ellipsis : cut;
}

QString padded(const QString& text, int columns)
{
    QString result = fitted(text, columns);
    const int cells = width(result);
    if (cells < columns)
        result += QString(columns - cells, u' ');
    return result;
}

} // namespace fetemark::cli::TextColumns
