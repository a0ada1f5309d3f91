#include "TextFormat.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <clocale>
#include <cstdio>
#include <locale.h>
#include <map>

namespace fetemark::TextFormat {
namespace {

// No text needs fields this wide; the bound keeps a broken or hostile table from making
// us allocate without end, and keeps argument positions small.
constexpr int MaxNumber = 1024;

enum class Length { None, Char, Short, Long, LongLong, Quad, Size, IntMax, PtrDiff, LongDouble };

struct Conversion {
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    bool zeroPad = false;
    int width = -1;
    int precision = -1;
    Length length = Length::None;
    char letter = 0;
    int position = 0; // zero-based
};

struct Piece {
    QString literal;
    std::optional<Conversion> conversion;
};

struct Parsed {
    std::vector<Piece> pieces;
    std::vector<ArgKind> kinds;
};

std::optional<ArgKind> kindOfLetter(char c)
{
    switch (c) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'c':
        return ArgKind::Integer;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
        return ArgKind::Real;
    case 's':
    case '@':
        return ArgKind::String;
    default:
        return std::nullopt;
    }
}

// Length modifiers only where printf gives them a meaning for the argument we pass;
// anything else is more likely a typo than intent.
bool lengthFits(Length length, char letter)
{
    switch (letter) {
    case 'c':
    case 's':
        return length == Length::None || length == Length::Long;
    case '@':
        return length == Length::None;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
        return length == Length::None || length == Length::Long || length == Length::LongDouble;
    default:
        return length != Length::LongDouble;
    }
}

// Reads a run of ASCII digits; false when the number exceeds MaxNumber.
bool readNumber(const QString& f, qsizetype& i, int& value)
{
    value = 0;
    while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') {
        value = value * 10 + (f[i].unicode() - u'0');
        if (value > MaxNumber)
            return false;
        ++i;
    }
    return true;
}

// The argument a conversion names with "%3$d" (zero-based), -1 when it names none ("%3d"
// is a width); nullopt for a position out of range.
std::optional<int> readPosition(const QString& f, qsizetype& i)
{
    qsizetype j = i;
    int number = 0;
    if (!readNumber(f, j, number))
        return std::nullopt;
    if (j == i || j >= f.size() || f[j] != u'$')
        return -1;
    if (number < 1)
        return std::nullopt;
    i = j + 1;
    return number - 1;
}

// Which argument each conversion takes: all name their position, or none does.
class ArgumentNumbering {
public:
    // The argument of a conversion that names `position` (-1: none); nullopt when the
    // format mixes both ways.
    std::optional<int> argumentFor(int position)
    {
        const Mode mode = position >= 0 ? Mode::Positional : Mode::Sequential;
        if (m_mode != Mode::Unknown && m_mode != mode)
            return std::nullopt;
        m_mode = mode;
        return position >= 0 ? position : m_nextSequential++;
    }

private:
    enum class Mode { Unknown, Sequential, Positional } m_mode = Mode::Unknown;
    int m_nextSequential = 0;
};

void readFlags(const QString& f, qsizetype& i, Conversion& c)
{
    for (; i < f.size(); ++i) {
        const char16_t ch = f[i].unicode();
        if (ch == u'-')
            c.leftAlign = true;
        else if (ch == u'+')
            c.plusSign = true;
        else if (ch == u' ')
            c.spaceSign = true;
        else if (ch == u'#')
            c.alternate = true;
        else if (ch == u'0')
            c.zeroPad = true;
        else if (ch == u'\'') {
        } // grouping is locale work; the "C" locale ignores it as well
        else
            break;
    }
}

bool readWidthAndPrecision(const QString& f, qsizetype& i, Conversion& c)
{
    const qsizetype n = f.size();
    // '*' would take its value from the argument list, which no translation may steer.
    if (i < n && f[i] == u'*')
        return false;
    if (i < n && f[i] >= u'1' && f[i] <= u'9') {
        if (!readNumber(f, i, c.width))
            return false;
    }
    if (i < n && f[i] == u'.') {
        ++i;
        if (i < n && f[i] == u'*')
            return false;
        if (!readNumber(f, i, c.precision))
            return false;
    }
    return true;
}

Length readLength(const QString& f, qsizetype& i)
{
    auto at = [&](qsizetype k) { return k < f.size() ? f[k].unicode() : char16_t(0); };
    if (at(i) == u'h' && at(i + 1) == u'h') {
        i += 2;
        return Length::Char;
    }
    if (at(i) == u'l' && at(i + 1) == u'l') {
        i += 2;
        return Length::LongLong;
    }
    Length length = Length::None;
    switch (at(i)) {
    case u'h':
        length = Length::Short;
        break;
    case u'l':
        length = Length::Long;
        break;
    case u'q':
        length = Length::Quad;
        break;
    case u'z':
        length = Length::Size;
        break;
    case u'j':
        length = Length::IntMax;
        break;
    case u't':
        length = Length::PtrDiff;
        break;
    case u'L':
        length = Length::LongDouble;
        break;
    default:
        return Length::None;
    }
    ++i;
    return length;
}

// One conversion, read from just after its '%'; nullopt when it is malformed.
std::optional<Conversion> readConversion(
    const QString& f, qsizetype& i, ArgumentNumbering& numbering)
{
    const std::optional<int> position = readPosition(f, i);
    if (!position)
        return std::nullopt;
    const std::optional<int> argument = numbering.argumentFor(*position);
    if (!argument)
        return std::nullopt;
    Conversion c;
    c.position = *argument;
    readFlags(f, i, c);
    if (!readWidthAndPrecision(f, i, c))
        return std::nullopt;
    c.length = readLength(f, i);
    if (i >= f.size() || f[i].unicode() > 0x7f)
        return std::nullopt;
    c.letter = char(f[i].unicode());
    ++i;
    if (!kindOfLetter(c.letter) || !lengthFits(c.length, c.letter))
        return std::nullopt;
    return c;
}

// The kinds of the arguments in order. Positions run 1..n without gaps, as printf
// requires: a skipped argument would leave the ones after it unreachable for a caller
// that cannot know the layout.
std::optional<std::vector<ArgKind>> argumentKinds(const std::map<int, ArgKind>& byPosition)
{
    std::vector<ArgKind> kinds;
    int expected = 0;
    for (const auto& [position, kind] : byPosition) {
        if (position != expected++)
            return std::nullopt;
        kinds.push_back(kind);
    }
    return kinds;
}

std::optional<Parsed> parse(const QString& f)
{
    Parsed parsed;
    std::map<int, ArgKind> kinds;
    ArgumentNumbering numbering;
    QString literal;

    qsizetype i = 0;
    const qsizetype n = f.size();
    while (i < n) {
        if (f[i] != u'%') {
            literal += f[i++];
            continue;
        }
        ++i;
        if (i >= n)
            return std::nullopt;
        if (f[i] == u'%') {
            literal += u'%';
            ++i;
            continue;
        }
        const std::optional<Conversion> c = readConversion(f, i, numbering);
        if (!c)
            return std::nullopt;
        // A position may be used twice, but only for one kind of argument.
        const ArgKind kind = *kindOfLetter(c->letter);
        const auto [it, inserted] = kinds.emplace(c->position, kind);
        if (!inserted && it->second != kind)
            return std::nullopt;
        parsed.pieces.push_back(Piece {literal, c});
        literal.clear();
    }
    if (!literal.isEmpty())
        parsed.pieces.push_back(Piece {literal, std::nullopt});

    auto ordered = argumentKinds(kinds);
    if (!ordered)
        return std::nullopt;
    parsed.kinds = std::move(*ordered);
    return parsed;
}

ArgKind kindOf(const Arg& arg)
{
    switch (arg.index()) {
    case 0:
        return ArgKind::Integer;
    case 1:
        return ArgKind::Real;
    default:
        return ArgKind::String;
    }
}

// snprintf formats the decimal point by LC_NUMERIC, which QCoreApplication sets from the
// environment; texts must not change with it, so numbers are formatted in "C" on this thread.
class CNumericLocale {
public:
    CNumericLocale()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        if (c)
            m_previous = uselocale(c);
    }
    ~CNumericLocale()
    {
        if (m_previous)
            uselocale(m_previous);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t m_previous = locale_t(nullptr);
};

// The printf directive for one numeric conversion, rebuilt from parsed parts only, so nothing of
// the caller's format ever reaches a varargs function. Flags printf leaves undefined for
// the letter are dropped.
QByteArray directive(const Conversion& c, const char* length, char letter)
{
    const bool isSigned = letter == 'd' || letter == 'i' || kindOfLetter(letter) == ArgKind::Real;
    const bool alternateMeans =
        letter == 'o' || letter == 'x' || letter == 'X' || kindOfLetter(letter) == ArgKind::Real;
    QByteArray d("%");
    if (c.leftAlign)
        d += '-';
    if (c.plusSign && isSigned)
        d += '+';
    if (c.spaceSign && isSigned)
        d += ' ';
    if (c.alternate && alternateMeans)
        d += '#';
    if (c.zeroPad)
        d += '0';
    if (c.width >= 0)
        d += QByteArray::number(c.width);
    if (c.precision >= 0)
        d += '.' + QByteArray::number(c.precision);
    d += length;
    d += letter;
    return d;
}

template<typename T> QString printOne(const QByteArray& pattern, T value)
{
    const int size = std::snprintf(nullptr, 0, pattern.constData(), value);
    if (size < 0)
        return {};
    QByteArray out(size + 1, '\0');
    std::snprintf(out.data(), out.size(), pattern.constData(), value);
    out.truncate(size);
    return QString::fromLatin1(out);
}

// Pads by code points, not UTF-16 units, so "½" and emoji take one column like letters.
QString pad(const QString& text, const Conversion& c)
{
    const qsizetype points = QStringView(text).toUcs4().size();
    if (c.width <= points)
        return text;
    const QString fill(c.width - points, u' ');
    return c.leftAlign ? text + fill : fill + text;
}

QString formatInteger(const Conversion& c, std::int64_t v)
{
    if (c.letter == 'c') {
        const bool valid = v > 0 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF);
        const char32_t point = valid ? char32_t(v) : char32_t(0xFFFD);
        return pad(QString::fromUcs4(&point, 1), c);
    }
    if (c.letter == 'd' || c.letter == 'i') {
        // The plain "%d" of nearly every text is what printf would write anyway.
        const bool plain = !c.leftAlign && !c.plusSign && !c.spaceSign && !c.zeroPad &&
            c.width < 0 && c.precision < 0;
        if (plain)
            return QString::number(v);
        return printOne(directive(c, "ll", c.letter), static_cast<long long>(v));
    }

    // A negative value shown unsigned is its two's complement in the width printf would
    // have used for the length modifier; values that fit are never cut.
    unsigned long long u = static_cast<std::uint64_t>(v);
    if (v < 0) {
        switch (c.length) {
        case Length::None:
            u = static_cast<std::uint32_t>(v);
            break;
        case Length::Short:
            u = static_cast<std::uint16_t>(v);
            break;
        case Length::Char:
            u = static_cast<std::uint8_t>(v);
            break;
        default:
            break;
        }
    }
    return printOne(directive(c, "ll", c.letter), u);
}

QString formatString(const Conversion& c, const QString& s)
{
    if (c.precision < 0)
        return pad(s, c);
    // Cut by code points so a surrogate pair is never split.
    qsizetype end = 0;
    for (int taken = 0; end < s.size() && taken < c.precision; ++taken)
        end +=
            (s[end].isHighSurrogate() && end + 1 < s.size() && s[end + 1].isLowSurrogate()) ? 2 : 1;
    return pad(s.left(end), c);
}

} // namespace

std::optional<std::vector<ArgKind>> signature(const QString& format)
{
    auto parsed = parse(format);
    if (!parsed)
        return std::nullopt;
    return std::move(parsed->kinds);
}

namespace {

// The formats a thread used last, parsed: a list fills the same few dozen phrases
// thousands of times.
const std::optional<Parsed>& parsedFormat(const QString& format)
{
    thread_local QHash<QString, std::optional<Parsed>> known;
    if (const auto it = known.constFind(format); it != known.cend())
        return *it;
    // Bounded, so that formats made up on the fly cannot grow it without end.
    if (known.size() >= 256)
        known.clear();
    return *known.insert(format, parse(format));
}

} // namespace

std::optional<QString> format(const QString& format, const Args& args)
{
    const std::optional<Parsed>& parsed = parsedFormat(format);
    if (!parsed || parsed->kinds.size() != args.size())
        return std::nullopt;
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (kindOf(args[k]) != parsed->kinds[k])
            return std::nullopt;
    }

    const CNumericLocale cLocale;
    QString out;
    for (const Piece& piece : parsed->pieces) {
        out += piece.literal;
        if (!piece.conversion)
            continue;
        const Conversion& c = *piece.conversion;
        const Arg& arg = args[std::size_t(c.position)];
        if (const auto* i = std::get_if<std::int64_t>(&arg))
            out += formatInteger(c, *i);
        else if (const auto* d = std::get_if<double>(&arg))
            out += printOne(directive(c, "", c.letter), *d);
        else
            out += formatString(c, std::get<QString>(arg));
    }
    return out;
}

} // namespace fetemark::TextFormat
