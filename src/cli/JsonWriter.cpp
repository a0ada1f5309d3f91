#include "JsonWriter.h"

#include "core/text/VisibleText.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace fetemark::cli {
namespace {

constexpr qsizetype FlushAt = 1 << 16;

void appendIndent(QString& out, std::size_t level)
{
    static const QString spaces(64, u' ');
    for (qsizetype left = qsizetype(4 * level); left > 0; left -= spaces.size())
        out += QStringView(spaces).left(std::min(left, spaces.size()));
}

// Control characters and unpaired surrogates take escapes whose spelling is Qt's own
// affair: such rare strings are written by Qt.
bool needsQt(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x20)
            return true;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

void appendEscape(QString& out, char16_t c)
{
    out += QLatin1StringView("\\u");
    out += QStringLiteral("%1").arg(uint(c), 4, 16, QLatin1Char('0'));
}

// Qt leaves DEL, the C1 controls and the bidirectional controls raw, which is valid JSON
// but acts on a terminal that shows it.
void appendVisible(QString& out, QStringView json)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < json.size(); ++i) {
        if (VisibleText::isHidden(json[i].unicode())) {
            out += json.mid(from, i - from);
            appendEscape(out, json[i].unicode());
            from = i + 1;
        }
    }
    out += json.mid(from);
}

} // namespace

void JsonWriter::appendQuoted(QString& out, const QString& text)
{
    if (needsQt(text)) {
        // ["..."] in compact form: the string between the brackets.
        const QByteArray json = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
        appendVisible(out, QString::fromUtf8(json.mid(1, json.size() - 2)));
        return;
    }
    out += u'"';
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' || c == u'\\') {
            out += QStringView(text).mid(from, i - from);
            out += u'\\';
            from = i;
        } else if (c.unicode() >= 0x7f && VisibleText::isHidden(c.unicode())) {
            // Below DEL only the quote and the backslash are left: controls went to Qt.
            out += QStringView(text).mid(from, i - from);
            appendEscape(out, c.unicode());
            from = i + 1;
        }
    }
    out += QStringView(text).mid(from);
    out += u'"';
}

void JsonWriter::flush()
{
    if (m_buffer.isEmpty())
        return;
    m_out << m_buffer;
    m_buffer.clear();
}

void JsonWriter::element()
{
    if (m_buffer.size() >= FlushAt)
        flush();
    if (m_counts.empty())
        return;
    if (m_counts.back()++ > 0)
        m_buffer += QLatin1StringView(",\n");
    appendIndent(m_buffer, m_counts.size());
}

void JsonWriter::keyed(QLatin1StringView key)
{
    element();
    m_buffer += u'"';
    m_buffer += key;
    m_buffer += QLatin1StringView("\": ");
}

void JsonWriter::open(QChar bracket, bool asElement)
{
    if (asElement)
        element();
    m_buffer += bracket;
    m_buffer += u'\n';
    m_counts.push_back(0);
}

void JsonWriter::close(QChar bracket)
{
    const int count = m_counts.back();
    m_counts.pop_back();
    if (count > 0)
        m_buffer += u'\n';
    appendIndent(m_buffer, m_counts.size());
    m_buffer += bracket;
    if (m_counts.empty()) {
        m_buffer += u'\n';
        flush();
    }
}

void JsonWriter::member(QLatin1StringView key, const QString& text)
{
    keyed(key);
    appendQuoted(m_buffer, text);
}

void JsonWriter::member(QLatin1StringView key, int number)
{
    keyed(key);
    m_buffer += QString::number(number);
}

void JsonWriter::member(QLatin1StringView key, bool flag)
{
    keyed(key);
    m_buffer += QLatin1StringView(flag ? "true" : "false");
}

void JsonWriter::member(QLatin1StringView key, const QJsonValue& value)
{
    if (value.isString())
        return member(key, value.toString());
    keyed(key);
    m_buffer += QLatin1StringView("null");
}

} // namespace fetemark::cli
