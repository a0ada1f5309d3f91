#pragma once

#include <QString>
#include <QStringView>

namespace fetemark {

// Text for a terminal: names and notes come from cards and other people, and a terminal
// obeys some characters instead of showing them (escape sequences clear the screen or set
// the window title, a right-to-left override turns what follows around). Such characters
// are spelled out so that they are seen and do nothing.
namespace VisibleText {

// C0 controls but line break and tab, DEL, C1 controls, and the bidirectional embeddings,
// overrides and isolates (U+202A..U+202E, U+2066..U+2069). Inline: writers ask it about
// every character they write.
constexpr bool isHidden(char16_t c)
{
    if (c < 0x20)
        return c != u'\n' && c != u'\t';
    return (c >= 0x7f && c <= 0x9f) || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

// `text` with each hidden character spelled out: C0 controls as \x1b, the others as
// \u007f, \u0085, \u202e.
QString escaped(QStringView text);

} // namespace VisibleText
} // namespace fetemark
