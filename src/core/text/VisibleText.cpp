#include "VisibleText.h"

namespace fetemark::VisibleText {
namespace {

QString hex(char16_t c, int digits)
{
    return QStringLiteral("%1").arg(uint(c), digits, 16, QLatin1Char('0'));
}

} // namespace

QString escaped(QStringView text)
{
    QString out;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!isHidden(c))
            continue;
        if (out.isEmpty())
            out.reserve(text.size() + 16);
        out += text.mid(from, i - from);
        // JSON reads \uXXXX as the character itself, so JSON text that passes through
        // keeps its values; C0 controls are never raw in JSON.
        out += c < 0x20 ? QLatin1String("\\x") + hex(c, 2) : QLatin1String("\\u") + hex(c, 4);
        from = i + 1;
    }
    if (from == 0)
        return text.toString();
    out += text.mid(from);
    return out;
}

} // namespace fetemark::VisibleText
