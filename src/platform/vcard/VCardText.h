#pragma once

// Byte and text helpers shared by the vCard reader and writer: the escapes of vCard text
// values and the date forms both sides agree on.

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace fetemark::VCard::text {

inline char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
bool equalsCI(QByteArrayView a, QByteArrayView b);
bool startsWithCI(QByteArrayView s, QByteArrayView prefix);
QByteArrayView trimmed(QByteArrayView v);

bool isValidUtf8(QByteArrayView bytes);
// UTF-8 when the bytes are valid UTF-8, else Windows-1252 (what Windows exporters write
// whatever they declare). A leading U+FEFF is kept: it belongs to the value.
QString utf8OrWindows1252(QByteArrayView bytes);
QString windows1252(QByteArrayView bytes);
// ICU's guess at the charset of 8-bit text (its name, e.g. "windows-1251"); empty when
// it has none.
QByteArray detectCharset(QByteArrayView bytes);
// The bytes in the ICU charset `name`; Windows-1252 when ICU does not know it.
QString decodeWithIcu(QByteArrayView bytes, const char* name);

// Parts between the `separator`s that no backslash escapes; the parts keep their escapes.
QList<QStringView> splitUnescaped(QStringView s, char16_t separator);
// Resolves \n \N \, \; \: \\ (any other backslash stays) and turns CR LF and CR into LF.
QString unescape(QStringView s);

// A value as vCard text: \ , ; and line ends escaped. `structural` false leaves , and ;
// alone, for URIs where they are common and mean nothing to the reader.
QByteArray escape(const QString& value, bool structural = true);

// 19850315, 1985-03-15, --0315, --03-15, each with an optional time part after 'T'. A
// year-less form, or any form when `omitYear`, gives the year Person::NoYear. So does a
// year outside Person::FirstYear..LastYear, which sets `yearLeftOut`.
std::optional<QDate> parseDate(QStringView s, bool omitYear, bool* yearLeftOut = nullptr);

} // namespace fetemark::VCard::text
