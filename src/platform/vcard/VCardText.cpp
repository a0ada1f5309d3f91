#include "VCardText.h"

#include "platform/addressbook/Person.h"

#include <QStringDecoder>

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace fetemark::VCard::text {

bool equalsCI(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    }
    return true;
}

bool startsWithCI(QByteArrayView s, QByteArrayView prefix)
{
    return s.size() >= prefix.size() && equalsCI(s.first(prefix.size()), prefix);
}

QByteArrayView trimmed(QByteArrayView v)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    qsizetype begin = 0;
    qsizetype end = v.size();
    while (begin < end && blank(v[begin]))
        ++begin;
    while (end > begin && blank(v[end - 1]))
        --end;
    return v.sliced(begin, end - begin);
}

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        if (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if (!(word & 0x8080808080808080ull)) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < length)
            return false;
        for (int k = 1; k < length; ++k) {
            const unsigned char d = s[i + k];
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
            return false;
        if (length == 4 && (cp < 0x10000 || cp > 0x10FFFF))
            return false;
        i += length;
    }
    return true;
}

QString windows1252(QByteArrayView bytes)
{
    // 0x80..0x9F are typographic characters in Windows-1252; the five it leaves
    // undefined pass through as the C1 controls of Latin-1.
    static constexpr char16_t high[32] = {
        0x20AC,
        0x0081,
        0x201A,
        0x0192,
        0x201E,
        0x2026,
        0x2020,
        0x2021,
        0x02C6,
        0x2030,
        0x0160,
        0x2039,
        0x0152,
        0x008D,
        0x017D,
        0x008F,
        0x0090,
        0x2018,
        0x2019,
        0x201C,
        0x201D,
        0x2022,
        0x2013,
        0x2014,
        0x02DC,
        0x2122,
        0x0161,
        0x203A,
        0x0153,
        0x009D,
        0x017E,
        0x0178,
    };
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        d[i] = (c >= 0x80 && c < 0xA0) ? high[c - 0x80] : char16_t(c);
    }
    return out;
}

QByteArray detectCharset(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector* detector = ucsdet_open(&status);
    if (U_FAILURE(status))
        return {};
    const auto length = int32_t(std::min<qsizetype>(bytes.size(), INT32_MAX));
    ucsdet_setText(detector, bytes.data(), length, &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector, &count, &status);
    QByteArray name;
    for (int32_t i = 0; U_SUCCESS(status) && i < count && name.isEmpty(); ++i) {
        const char* candidate = ucsdet_getName(matches[i], &status);
        // The text is known not to be UTF-8; the wide forms would need NUL bytes.
        if (U_SUCCESS(status) && candidate && !QByteArrayView(candidate).startsWith("UTF"))
            name = candidate;
    }
    ucsdet_close(detector);
    return name;
}

QString decodeWithIcu(QByteArrayView bytes, const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    if (U_FAILURE(status) || bytes.size() > INT32_MAX / 2)
        return windows1252(bytes);
    // No charset ICU detects gives more UTF-16 units than bytes, save surrogate pairs.
    QString out(bytes.size() * 2 + 1, Qt::Uninitialized);
    const int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar*>(out.data()),
        int32_t(out.size()), bytes.data(), int32_t(bytes.size()), &status);
    ucnv_close(converter);
    if (U_FAILURE(status))
        return windows1252(bytes);
    out.resize(length);
    return out;
}

QString utf8OrWindows1252(QByteArrayView bytes)
{
    if (!isValidUtf8(bytes))
        return windows1252(bytes);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        // fromUtf8 would drop it as a byte order mark.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(bytes);
    }
    return QString::fromUtf8(bytes);
}

QList<QStringView> splitUnescaped(QStringView s, char16_t separator)
{
    QList<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\\') {
            ++i;
        } else if (c == separator) {
            parts.append(s.sliced(start, i - start));
            start = i + 1;
        }
    }
    parts.append(s.sliced(start));
    return parts;
}

QString unescape(QStringView s)
{
    if (!s.contains(u'\\') && !s.contains(u'\r'))
        return s.toString();
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < n && s[i + 1] == u'\n')
                ++i;
        } else if (c == u'\\' && i + 1 < n) {
            const char16_t next = s[i + 1].unicode();
            switch (next) {
            case u'n':
            case u'N':
                out += u'\n';
                ++i;
                break;
            case u',':
            case u';':
            case u':': // Apple escapes the colon of URLs
            case u'\\':
                out += QChar(next);
                ++i;
                break;
            default:
                out += c;
                break;
            }
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray escape(const QString& value, bool structural)
{
    const QByteArray utf8 = value.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 8);
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\n";
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
            break;
        case '\n':
            out += "\\n";
            break;
        case ',':
        case ';':
            if (structural)
                out += '\\';
            out += c;
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::optional<QDate> parseDate(QStringView s, bool omitYear, bool* yearLeftOut)
{
    s = s.trimmed();
    const qsizetype n = s.size();
    auto number = [&](qsizetype at, int count, int& out) {
        if (at + count > n)
            return false;
        out = 0;
        for (int k = 0; k < count; ++k) {
            const char16_t c = s[at + k].unicode();
            if (c < u'0' || c > u'9')
                return false;
            out = out * 10 + (c - u'0');
        }
        return true;
    };
    int year = Person::NoYear;
    int month = 0;
    int day = 0;
    qsizetype i = 0;
    if (s.startsWith(u"--")) {
        i = 2;
        if (!number(i, 2, month))
            return std::nullopt;
        i += 2;
        if (i < n && s[i] == u'-')
            ++i;
        if (!number(i, 2, day))
            return std::nullopt;
        i += 2;
    } else {
        if (!number(0, 4, year))
            return std::nullopt;
        i = 4;
        const bool extended = i < n && s[i] == u'-';
        if (extended)
            ++i;
        if (!number(i, 2, month))
            return std::nullopt;
        i += 2;
        if (extended) {
            if (i >= n || s[i] != u'-')
                return std::nullopt;
            ++i;
        }
        if (!number(i, 2, day))
            return std::nullopt;
        i += 2;
    }
    if (i < n && s[i] != u'T' && s[i] != u't' && s[i] != u' ')
        return std::nullopt;
    if (omitYear)
        year = Person::NoYear;
    if (year < Person::FirstYear || year > Person::LastYear) {
        // The day still counts; a year calendars cannot hold is not worth losing it.
        if (yearLeftOut && QDate(Person::NoYear, month, day).isValid())
            *yearLeftOut = true;
        year = Person::NoYear;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace fetemark::VCard::text
