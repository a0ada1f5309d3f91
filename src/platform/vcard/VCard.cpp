// Reading vCards of every version and exporter into people. The file is scanned as bytes:
// names and parameters are ASCII in every version, and a value's bytes become text only
// once its ENCODING and CHARSET are known. Only the properties a person needs are kept
// while a card is read, which bounds memory by the card, not by the file.
#include "VCard.h"

#include "platform/vcard/VCardLabels.h"
#include "platform/vcard/VCardText.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <cstring>
#include <optional>

namespace fetemark::VCard {
namespace {

using text::equalsCI;
using text::startsWithCI;
using text::trimmed;

constexpr int MaxPropertiesPerCard = 100'000;
constexpr qsizetype QuotedValueLength = 40;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView stripQuotes(QByteArrayView v)
{
    v = trimmed(v);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        return v.sliced(1, v.size() - 2);
    return v;
}

// A value as it may appear in a message: short, whatever the file holds.
QString quoted(QStringView value)
{
    if (value.size() <= QuotedValueLength)
        return u'\'' + value.toString() + u'\'';
    return u'\'' + value.first(QuotedValueLength).toString() + QStringLiteral("…'");
}

// --- lines -----------------------------------------------------------------------------

class PhysicalLines {
public:
    explicit PhysicalLines(QByteArrayView text)
        : m_text(text)
          // A file without any LF ends its lines with CR alone (classic Mac OS).
          ,
          m_terminator(text.contains('\n') || text.isEmpty() ? '\n' : '\r')
    {
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    int nextNumber() const { return m_number; }

    QByteArrayView peek()
    {
        locate();
        return m_line;
    }

    QByteArrayView take()
    {
        locate();
        m_pos = m_after;
        m_cached = false;
        ++m_number;
        return m_line;
    }

private:
    void locate()
    {
        if (m_cached)
            return;
        const char* begin = m_text.data() + m_pos;
        const qsizetype left = m_text.size() - m_pos;
        const void* hit = std::memchr(begin, m_terminator, left);
        qsizetype length = hit ? static_cast<const char*>(hit) - begin : left;
        m_after = m_pos + length + (hit ? 1 : 0);
        if (m_terminator == '\n' && length > 0 && begin[length - 1] == '\r')
            --length;
        m_line = QByteArrayView(begin, length);
        m_cached = true;
    }

    QByteArrayView m_text;
    char m_terminator;
    qsizetype m_pos = 0;
    qsizetype m_after = 0;
    int m_number = 1;
    bool m_cached = false;
    QByteArrayView m_line;
};

enum class Encoding { None, QuotedPrintable, Base64, Unknown };

Encoding encodingOf(QByteArrayView e)
{
    if (e.isEmpty() || equalsCI(e, "8BIT") || equalsCI(e, "7BIT"))
        return Encoding::None;
    if (equalsCI(e, "QUOTED-PRINTABLE"))
        return Encoding::QuotedPrintable;
    if (equalsCI(e, "B") || equalsCI(e, "BASE64"))
        return Encoding::Base64;
    return Encoding::Unknown;
}

// Name and the parameters that matter of one content line; views into that line.
struct Head {
    QByteArrayView group;
    QByteArrayView name;
    QByteArrayView encoding;
    QByteArrayView charset;
    QByteArrayView valueType;
    unsigned types = 0;
    bool omitYear = false;
    qsizetype colon = -1; // -1: the line is not a property
};

void addTypes(QByteArrayView list, Head& head)
{
    list = stripQuotes(list);
    while (!list.isEmpty()) {
        const qsizetype comma = list.indexOf(',');
        const QByteArrayView item = comma < 0 ? list : list.first(comma);
        head.types |= labels::typeBit(stripQuotes(item));
        if (comma < 0)
            break;
        list = list.sliced(comma + 1);
    }
}

void parseParameter(QByteArrayView p, Head& head)
{
    p = trimmed(p);
    if (p.isEmpty())
        return;
    const qsizetype eq = p.indexOf('=');
    if (eq < 0) {
        // vCard 2.1 names types and encodings without "TYPE=" / "ENCODING=".
        if (encodingOf(p) != Encoding::Unknown)
            head.encoding = p;
        else
            addTypes(p, head);
        return;
    }
    const QByteArrayView name = trimmed(p.first(eq));
    const QByteArrayView value = p.sliced(eq + 1);
    if (equalsCI(name, "TYPE"))
        addTypes(value, head);
    else if (equalsCI(name, "ENCODING"))
        head.encoding = stripQuotes(value);
    else if (equalsCI(name, "CHARSET"))
        head.charset = stripQuotes(value);
    else if (equalsCI(name, "VALUE"))
        head.valueType = stripQuotes(value);
    else if (equalsCI(name, "X-APPLE-OMIT-YEAR"))
        head.omitYear = true;
}

Head parseHead(QByteArrayView line)
{
    Head head;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && line[i] != ';' && line[i] != ':')
        ++i;
    if (i == n)
        return head;
    const QByteArrayView fullName = trimmed(line.first(i));
    const qsizetype dot = fullName.lastIndexOf('.');
    head.group = dot < 0 ? QByteArrayView() : fullName.first(dot);
    head.name = dot < 0 ? fullName : fullName.sliced(dot + 1);
    if (line[i] == ':') {
        head.colon = i;
        return head;
    }
    const qsizetype paramsBegin = i + 1;
    bool inQuotes = false;
    qsizetype colon = -1;
    for (qsizetype j = paramsBegin; j < n; ++j) {
        const char c = line[j];
        if (c == '"')
            inQuotes = !inQuotes;
        else if (c == ':' && !inQuotes) {
            colon = j;
            break;
        }
    }
    if (colon < 0) {
        // An unbalanced quote: the first colon is the best guess left.
        const void* hit = std::memchr(line.data() + paramsBegin, ':', n - paramsBegin);
        if (!hit)
            return head;
        colon = static_cast<const char*>(hit) - line.data();
    }
    head.colon = colon;
    inQuotes = false;
    qsizetype start = paramsBegin;
    for (qsizetype j = paramsBegin; j <= colon; ++j) {
        const char c = j < colon ? line[j] : ';';
        if (c == '"')
            inQuotes = !inQuotes;
        else if ((c == ';' && !inQuotes) || j == colon) {
            parseParameter(line.sliced(start, j - start), head);
            start = j + 1;
        }
    }
    return head;
}

bool isMarker(QByteArrayView line, QByteArrayView word)
{
    line = trimmed(line);
    if (!startsWithCI(line, word))
        return false;
    QByteArrayView rest = trimmed(line.sliced(word.size()));
    if (rest.isEmpty() || rest.front() != ':')
        return false;
    return equalsCI(trimmed(rest.sliced(1)), "VCARD");
}

bool isBase64Line(QByteArrayView line)
{
    bool any = false;
    for (const char c : line) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '+' || c == '/' || c == '=')
            any = true;
        else if (!isBlank(c))
            return false;
    }
    return any;
}

bool endsWithLoneBackslash(QByteArrayView line)
{
    qsizetype count = 0;
    while (count < line.size() && line[line.size() - 1 - count] == '\\')
        ++count;
    return count % 2 == 1;
}

// A line that cannot start a property or end the card.
bool isContinuation(QByteArrayView line)
{
    return !line.isEmpty() && parseHead(line).colon < 0 && !isMarker(line, "END");
}

struct LogicalLine {
    int number = 0;
    QByteArray text; // unfolded; a raw view on the file when it was one physical line
    Head head;       // views into text
};

class LineReader {
public:
    explicit LineReader(QByteArrayView text) : m_lines(text) { }

    // `inCard` allows the joins that only encoded values need; outside cards they could
    // swallow the BEGIN of the next card.
    bool next(LogicalLine& out, bool inCard)
    {
        if (m_lines.atEnd())
            return false;
        out.number = m_lines.nextNumber();
        const QByteArrayView first = m_lines.take();
        QByteArray joined;
        bool owned = false;
        auto append = [&](QByteArrayView piece) {
            if (!owned) {
                joined = first.toByteArray();
                owned = true;
            }
            joined.append(piece);
        };
        // Only the colon's position and the encoding are used while joining: the views of
        // `head` die when `joined` grows.
        Head head = parseHead(first);
        Encoding encoding = head.colon < 0 ? Encoding::None : encodingOf(head.encoding);
        while (!m_lines.atEnd()) {
            const QByteArrayView next = m_lines.peek();
            const QByteArrayView sofar = owned ? QByteArrayView(joined) : first;
            if (inCard && encoding == Encoding::QuotedPrintable && sofar.size() > head.colon + 1 &&
                sofar.back() == '=' && !isMarker(next, "END")) {
                // A soft line break: the value goes on in column one of the next line. A
                // stray '=' before END:VCARD stays a '='.
                append({});
                joined.chop(1);
                joined.append(next);
            } else if (!next.isEmpty() && isBlank(next.front())) {
                const QByteArrayView piece = next.sliced(1);
                append(piece);
                // The name and parameters may be folded too; only a new ':' completes them.
                if (head.colon < 0 && std::memchr(piece.data(), ':', piece.size())) {
                    head = parseHead(joined);
                    encoding = head.colon < 0 ? Encoding::None : encodingOf(head.encoding);
                }
            } else if (inCard && head.colon >= 0 && sofar.size() > head.colon + 1 &&
                endsWithLoneBackslash(sofar) && isContinuation(next)) {
                // vCard 2.1 writers break an address with "\" at the end of the line: the
                // line end belongs to the value.
                append("n");
                joined.append(next);
            } else if (inCard && encoding == Encoding::Base64 && isBase64Line(next)) {
                // vCard 2.1 writers may go on with base64 unindented, up to a blank line.
                append(next);
            } else {
                break;
            }
            m_lines.take();
        }
        out.head = owned ? parseHead(joined) : head;
        out.text = owned ? std::move(joined) : QByteArray::fromRawData(first.data(), first.size());
        return true;
    }

private:
    PhysicalLines m_lines;
};

// --- properties ------------------------------------------------------------------------

enum class Kind {
    Unknown,
    Agent,
    N,
    FN,
    Org,
    Nickname,
    Note,
    Uid,
    Bday,
    Anniversary,
    AbDate,
    AbLabel,
    Tel,
    Email,
    Url,
    Adr,
    Photo,
    Categories,
    AndroidCustom,
};

Kind classify(QByteArrayView name)
{
    char up[32];
    if (name.size() > qsizetype(sizeof up))
        return Kind::Unknown;
    for (qsizetype i = 0; i < name.size(); ++i)
        up[i] = text::upperAscii(name[i]);
    const QByteArrayView u(up, name.size());
    static const struct {
        const char* name;
        Kind kind;
    } known[] = {
        {"N", Kind::N},
        {"FN", Kind::FN},
        {"ORG", Kind::Org},
        {"TEL", Kind::Tel},
        {"EMAIL", Kind::Email},
        {"ADR", Kind::Adr},
        {"URL", Kind::Url},
        {"BDAY", Kind::Bday},
        {"NOTE", Kind::Note},
        {"UID", Kind::Uid},
        {"NICKNAME", Kind::Nickname},
        {"PHOTO", Kind::Photo},
        {"CATEGORIES", Kind::Categories},
        {"X-ABDATE", Kind::AbDate},
        {"X-ABLABEL", Kind::AbLabel},
        {"ANNIVERSARY", Kind::Anniversary},
        {"X-ANNIVERSARY", Kind::Anniversary},
        {"X-EVOLUTION-ANNIVERSARY", Kind::Anniversary},
        {"X-MS-ANNIVERSARY", Kind::Anniversary},
        {"X-KADDRESSBOOK-X-ANNIVERSARY", Kind::Anniversary},
        {"X-ANDROID-CUSTOM", Kind::AndroidCustom},
        {"AGENT", Kind::Agent},
    };
    for (const auto& k : known) {
        if (u == QByteArrayView(k.name))
            return k.kind;
    }
    return Kind::Unknown;
}

struct Property {
    Kind kind = Kind::Unknown;
    int line = 0;
    QByteArray text; // owns what head points into
    Head head;
    QByteArrayView value() const { return QByteArrayView(text).sliced(head.colon + 1); }
    QString name() const { return QString::fromLatin1(head.name); }
};

QByteArray quotedPrintable(QByteArrayView v)
{
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    QByteArray out;
    out.reserve(v.size());
    const qsizetype n = v.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = v[i];
        if (c == '=') {
            if (i + 2 < n && hex(v[i + 1]) >= 0 && hex(v[i + 2]) >= 0) {
                out += char(hex(v[i + 1]) * 16 + hex(v[i + 2]));
                i += 2;
                continue;
            }
            if (i + 1 == n)
                break; // a soft break at the very end
        }
        out += c;
    }
    return out;
}

qsizetype base64Length(QByteArrayView v)
{
    qsizetype count = 0;
    for (const char c : v) {
        if (!isBlank(c) && c != '\r' && c != '\n')
            ++count;
    }
    return count;
}

std::optional<QByteArray> base64(QByteArrayView v)
{
    QByteArray clean;
    clean.reserve(base64Length(v));
    for (const char c : v) {
        if (!isBlank(c) && c != '\r' && c != '\n')
            clean += c;
    }
    // Some writers pad with one '=' too many, others not at all.
    while (clean.endsWith('='))
        clean.chop(1);
    if (clean.size() % 4 == 1)
        return std::nullopt; // cut off inside a byte
    auto result = QByteArray::fromBase64Encoding(
        clean, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return std::move(result.decoded);
}

// No charset, or one that 8-bit text proves wrong.
bool namesUtf8OrNone(QByteArrayView charset)
{
    return charset.isEmpty() || equalsCI(charset, "UTF-8") || equalsCI(charset, "UTF8") ||
        equalsCI(charset, "US-ASCII") || equalsCI(charset, "ASCII");
}

// Text in the charset a property names; not for namesUtf8OrNone().
QString decodeCharset(QByteArrayView bytes, QByteArrayView charset)
{
    // Windows programs declare ISO-8859-1 and write Windows-1252, which differs only
    // where Latin-1 has control characters no name or note contains.
    if (equalsCI(charset, "ISO-8859-1") || equalsCI(charset, "ISO8859-1") ||
        equalsCI(charset, "LATIN1") || equalsCI(charset, "WINDOWS-1252") ||
        equalsCI(charset, "CP1252"))
        return text::windows1252(bytes);
    if (charset.size() < 64) {
        QStringDecoder decoder(charset.toByteArray().constData());
        if (decoder.isValid()) {
            // Wide charsets can leave half a surrogate pair, which UTF-8 cannot carry.
            QString decoded = decoder.decode(bytes);
            for (qsizetype i = 0; i < decoded.size(); ++i) {
                const QChar c = decoded[i];
                if (c.isHighSurrogate() && i + 1 < decoded.size() &&
                    decoded[i + 1].isLowSurrogate())
                    ++i;
                else if (c.isSurrogate())
                    decoded[i] = QChar::ReplacementCharacter;
            }
            return decoded;
        }
    }
    return text::utf8OrWindows1252(bytes);
}

// --- 8-bit text without a charset ---------------------------------------------------------

// The charset of the file's 8-bit text that names none, told by ICU from all of that text
// at once: a single name is too short for any detector.
class CharsetGuess {
public:
    explicit CharsetGuess(QByteArrayView file) : m_file(file) { }

    // Bytes of a value with no charset (or a UTF-8 one) as text.
    QString decode(QByteArrayView bytes)
    {
        if (text::isValidUtf8(bytes))
            return text::utf8OrWindows1252(bytes);
        if (!m_done)
            guess();
        if (m_latin)
            return text::windows1252(bytes);
        return text::decodeWithIcu(bytes, m_name.constData());
    }
    // The charset decode() uses for 8-bit text, once it has met some.
    QString name() const
    {
        return m_name.isEmpty() ? QStringLiteral("windows-1252") : QString::fromLatin1(m_name);
    }
    bool detected() const { return !m_name.isEmpty(); }
    // True the first time only: the guess is told once per file.
    bool firstUse() { return !std::exchange(m_told, true); }

private:
    void guess();

    QByteArrayView m_file;
    bool m_done = false;
    bool m_told = false;
    QByteArray m_name; // ICU's name; empty when it has none
    bool m_latin = true;
};

void CharsetGuess::guess()
{
    constexpr qsizetype MaxSample = 4 * 1024 * 1024;
    m_done = true;
    QByteArray sample;
    LineReader lines(m_file);
    LogicalLine l;
    while (sample.size() < MaxSample && lines.next(l, true)) {
        if (l.head.colon < 0 || !namesUtf8OrNone(l.head.charset))
            continue;
        const QByteArrayView value = QByteArrayView(l.text).sliced(l.head.colon + 1);
        const Encoding encoding = encodingOf(l.head.encoding);
        const QByteArray bytes = encoding == Encoding::QuotedPrintable ? quotedPrintable(value)
            : encoding == Encoding::None                               ? value.toByteArray()
                                                                       : QByteArray();
        if (!text::isValidUtf8(bytes))
            sample += bytes + '\n';
    }
    m_name = text::detectCharset(sample);
    // Windows-1252 is what ISO-8859-1 files hold in practice.
    m_latin =
        m_name.isEmpty() || equalsCI(m_name, "ISO-8859-1") || equalsCI(m_name, "windows-1252");
    if (m_latin && !m_name.isEmpty())
        m_name = "windows-1252";
}

// The media type of a vCard 2.1/3.0 TYPE of binary data.
QByteArray mediaTypeOf(QByteArrayView type)
{
    if (type.contains('/'))
        return type.toByteArray();
    if (equalsCI(type, "JPEG") || equalsCI(type, "JPG"))
        return "image/jpeg";
    if (equalsCI(type, "PNG") || equalsCI(type, "GIF"))
        return "image/" + type.toByteArray().toLower();
    return {};
}

// The parameters of a kept property as vCard 4.0 writes them: no CHARSET or ENCODING,
// vCard 2.1's bare types as TYPE=. For `binary` data, its TYPE becomes `mediaType`.
QByteArray parametersFor40(const Property& p, bool binary, QByteArray& mediaType)
{
    const qsizetype nameEnd = p.head.name.data() - p.text.constData() + p.head.name.size();
    const QByteArrayView all = QByteArrayView(p.text).sliced(nameEnd, p.head.colon - nameEnd);
    QByteArray out;
    auto add = [&](QByteArrayView param) {
        param = trimmed(param);
        const qsizetype eq = param.indexOf('=');
        const QByteArrayView name = trimmed(eq < 0 ? param : param.first(eq));
        if (param.isEmpty() || equalsCI(name, "CHARSET") || equalsCI(name, "ENCODING") ||
            (eq < 0 && encodingOf(name) != Encoding::Unknown))
            return;
        const bool type = eq < 0 || equalsCI(name, "TYPE");
        if (binary && (type || equalsCI(name, "VALUE"))) {
            if (type && mediaType.isEmpty())
                mediaType = mediaTypeOf(eq < 0 ? param : stripQuotes(param.sliced(eq + 1)));
            return;
        }
        out += eq < 0 ? ";TYPE=" + param.toByteArray() : ';' + param.toByteArray();
    };
    bool inQuotes = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= all.size(); ++i) {
        if (i < all.size() && all[i] == '"')
            inQuotes = !inQuotes;
        else if (i == all.size() || (all[i] == ';' && !inQuotes)) {
            add(all.sliced(start, i - start));
            start = i + 1;
        }
    }
    if (mediaType.isEmpty())
        mediaType = "application/octet-stream";
    return out;
}

// --- one card --------------------------------------------------------------------------

struct CardLines {
    int number = 0;
    int line = 0;
    std::vector<Property> properties;
    bool lastWasAgent = false;
    int agentDepth = 0; // inside a vCard 2.1 AGENT's embedded card
    bool tooManyProperties = false;
    bool incomplete = false; // lines were left out, or END:VCARD is missing
};

struct DateEntry {
    QDate date;
    QString label;
    bool fromAbDate = false;
};

class CardBuilder {
public:
    // `valuesLeft` goes below zero when the card needs more values than are left.
    CardBuilder(const CardLines& lines, bool charsetAppliesToPlainValues, qint64& valuesLeft,
        CharsetGuess& guess)
        : m_lines(lines), m_charsetAppliesToPlain(charsetAppliesToPlainValues),
          m_valuesLeft(valuesLeft), m_guess(guess)
    {
    }

    // The card, or nullopt with fatal() telling why it is skipped. Called once.
    std::optional<Card> build();
    const QString& fatal() const { return m_fatal; }
    std::vector<Problem>& notes() { return m_notes; }

private:
    std::optional<QString> text(const Property& p);
    std::optional<QByteArray> bytes(const Property& p);
    void note(const Property& p, const QString& message)
    {
        m_notes.push_back(Problem {m_lines.number, p.line, message});
    }
    bool spendValue(const Property& p);
    QString labelOf(const Property& p) const;
    std::optional<QDate> day(const Property& p, QStringView value, bool omitYear);

    QString guessedText(const Property& p, QByteArrayView raw);

    // The steps of build().
    void readGroupLabels();
    void readProperty(const Property& p);
    bool isRepeatOfSingleValue(const Property& p) const;
    void apply(const Property& p, const QString& value);
    void mergeDates();
    void nameFromFormattedName();
    bool hasNameOrOrganization() const;

    // One property each.
    void name(const QString& value);
    void birthday(const Property& p, const QString& value);
    void contactValue(const Property& p, const QString& value);
    void address(const Property& p, const QString& value);
    void categories(const Property& p, const QString& value);
    void date(const Property& p, const QString& value);
    void androidCustom(const Property& p, const QString& value);

    // What no field holds.
    static bool isMapped(Kind kind)
    {
        return kind != Kind::Unknown && kind != Kind::AbLabel && kind != Kind::Agent;
    }
    void keepUnknown(const Property& p);
    void keep(const Property& p);

    // PHOTO, by the way its value is written.
    void photo(const Property& p);
    void photoFromPlainValue(const Property& p);
    void photoFromDataUrl(const Property& p, QByteArrayView url);
    void photoFromBase64(const Property& p, QByteArrayView payload);
    void photoFromRawBytes(const Property& p);
    void notePhotoTooLarge(const Property& p);
    void takePhoto(const Property& p, QByteArray&& photo);

    const CardLines& m_lines;
    bool m_charsetAppliesToPlain;
    qint64& m_valuesLeft;
    CharsetGuess& m_guess;
    QString m_fatal;
    std::vector<Problem> m_notes;
    QHash<QByteArray, QString> m_labels; // X-ABLabel by upper-case group
    QSet<QByteArray> m_mappedGroups;     // upper-case groups that hold a value read
    bool m_photoDone = false;
    bool m_birthdayLeftOut = false;
    QStringList m_dateLabelsLeftOut;

    // The card as it is being read.
    Card m_card;
    bool m_haveN = false, m_haveFN = false, m_haveOrg = false, m_haveNote = false,
         m_haveUid = false;
    QString m_fn;
    QSet<QString> m_seenCategories;
    std::vector<DateEntry> m_dates;
    QDate m_androidBirthday;
};

std::optional<QByteArray> CardBuilder::bytes(const Property& p)
{
    const QByteArrayView v = p.value();
    switch (encodingOf(p.head.encoding)) {
    case Encoding::None:
        return QByteArray::fromRawData(v.data(), v.size());
    case Encoding::QuotedPrintable:
        return quotedPrintable(v);
    case Encoding::Base64:
        if (auto decoded = base64(v))
            return decoded;
        note(p, QStringLiteral("the %1 value is not valid base64; it was left out").arg(p.name()));
        m_card.incomplete = true;
        return std::nullopt;
    case Encoding::Unknown:
        break;
    }
    // One arg() call: text from the file must not be taken for a placeholder.
    note(p,
        QStringLiteral("the %1 value has an unknown encoding %2; it was left out")
            .arg(p.name(), quoted(QString::fromLatin1(p.head.encoding))));
    m_card.incomplete = true;
    return std::nullopt;
}

std::optional<QString> CardBuilder::text(const Property& p)
{
    const auto raw = bytes(p);
    if (!raw)
        return std::nullopt;
    const bool encoded = encodingOf(p.head.encoding) != Encoding::None;
    if (!encoded && !m_charsetAppliesToPlain)
        return text::utf8OrWindows1252(*raw);
    if (!namesUtf8OrNone(p.head.charset))
        return decodeCharset(*raw, p.head.charset);
    if (text::isValidUtf8(*raw))
        return text::utf8OrWindows1252(*raw);
    return guessedText(p, *raw);
}

QString CardBuilder::guessedText(const Property& p, QByteArrayView raw)
{
    QString decoded = m_guess.decode(raw);
    if (m_guess.firstUse()) {
        const QString why = m_guess.detected()
            ? QStringLiteral("a guess from all such text of the file")
            : QStringLiteral("its charset could not be told");
        note(p,
            QStringLiteral("text that is not UTF-8 and names no charset was read as %1 (%2); "
                           "this is said once for the file")
                .arg(m_guess.name(), why));
    }
    return decoded;
}

// The reader refuses the file once the budget is spent.
bool CardBuilder::spendValue(const Property&)
{
    if (m_valuesLeft > 0) {
        --m_valuesLeft;
        return true;
    }
    m_valuesLeft = -1;
    return false;
}

QString CardBuilder::labelOf(const Property& p) const
{
    if (!p.head.group.isEmpty()) {
        const auto it = m_labels.constFind(p.head.group.toByteArray().toUpper());
        if (it != m_labels.cend() && !it->isEmpty())
            return *it;
    }
    return labels::labelForTypes(p.head.types);
}

// ---- PHOTO ----------------------------------------------------------------------------

void CardBuilder::notePhotoTooLarge(const Property& p)
{
    note(p,
        QStringLiteral("the PHOTO is larger than %1 MiB; it was left out")
            .arg(MaxPhotoBytes >> 20));
}

void CardBuilder::photo(const Property& p)
{
    switch (encodingOf(p.head.encoding)) {
    case Encoding::Base64:
        photoFromBase64(p, p.value());
        return;
    case Encoding::None:
        photoFromPlainValue(p);
        return;
    case Encoding::QuotedPrintable:
    case Encoding::Unknown:
        // Quoted-printable pictures exist only in broken files.
        photoFromRawBytes(p);
        return;
    }
}

void CardBuilder::photoFromPlainValue(const Property& p)
{
    const QByteArrayView t = trimmed(p.value());
    if (startsWithCI(t, "data:")) {
        photoFromDataUrl(p, t);
        return;
    }
    // A link (http:, file:, ...) is not fetched. Some writers leave out ENCODING for inline
    // data; that is taken only when it decodes.
    const qsizetype colon = t.indexOf(':');
    if (colon >= 0 || t.isEmpty())
        return;
    if (base64Length(t) / 4 * 3 > MaxPhotoBytes + 3)
        return;
    if (auto decoded = base64(t); decoded && !decoded->isEmpty())
        takePhoto(p, std::move(*decoded));
}

// "data:[<type>][;base64],<data>", the data percent-encoded unless marked base64.
void CardBuilder::photoFromDataUrl(const Property& p, QByteArrayView url)
{
    const qsizetype comma = url.indexOf(',');
    if (comma < 0)
        return;
    const QByteArrayView meta = url.sliced(5, comma - 5);
    const QByteArrayView payload = url.sliced(comma + 1);
    if (meta.size() >= 7 && equalsCI(meta.last(7), ";base64")) {
        photoFromBase64(p, payload);
        return;
    }
    if (payload.size() > MaxPhotoBytes * 3) {
        notePhotoTooLarge(p);
        m_photoDone = true;
        return;
    }
    QByteArray decoded = QByteArray::fromPercentEncoding(payload.toByteArray());
    if (decoded.size() > MaxPhotoBytes) {
        notePhotoTooLarge(p);
        m_photoDone = true;
        return;
    }
    takePhoto(p, std::move(decoded));
}

void CardBuilder::photoFromBase64(const Property& p, QByteArrayView payload)
{
    if (base64Length(payload) / 4 * 3 > MaxPhotoBytes + 3) {
        notePhotoTooLarge(p);
        m_photoDone = true;
        return;
    }
    auto decoded = base64(payload);
    if (!decoded) {
        note(p,
            QStringLiteral("the PHOTO value is not valid base64 (cut off or damaged); the photo "
                           "was left out"));
        return;
    }
    if (decoded->size() > MaxPhotoBytes) {
        notePhotoTooLarge(p);
        m_photoDone = true;
        return;
    }
    takePhoto(p, std::move(*decoded));
}

void CardBuilder::photoFromRawBytes(const Property& p)
{
    auto raw = bytes(p);
    if (!raw)
        return;
    if (raw->size() > MaxPhotoBytes) {
        notePhotoTooLarge(p);
        m_photoDone = true;
        return;
    }
    QByteArray photo = *raw;
    photo.detach();
    takePhoto(p, std::move(photo));
}

// A JPEG is cut off when its end marker is missing (some phones cut long photos); a
// trailer of padding after the marker is common.
bool isCutOffJpeg(QByteArrayView photo)
{
    if (!photo.startsWith("\xFF\xD8\xFF"))
        return false;
    return !photo.last(std::min<qsizetype>(photo.size(), 1024)).contains("\xFF\xD9");
}

void CardBuilder::takePhoto(const Property& p, QByteArray&& photo)
{
    if (isCutOffJpeg(photo)) {
        note(p, QStringLiteral("the PHOTO is a JPEG that is cut off; the photo was left out"));
        return;
    }
    m_card.photo = std::move(photo);
    m_photoDone = !m_card.photo.isEmpty();
}

// ---- Dates ----------------------------------------------------------------------------

std::optional<QDate> CardBuilder::day(const Property& p, QStringView value, bool omitYear)
{
    bool yearLeftOut = false;
    const auto parsed = text::parseDate(value, omitYear, &yearLeftOut);
    if (yearLeftOut)
        note(p,
            QStringLiteral("%1 value %2 has a year outside %3 to %4; the day was kept without "
                           "its year")
                .arg(p.name(), quoted(value))
                .arg(Person::FirstYear)
                .arg(Person::LastYear));
    return parsed;
}

void CardBuilder::date(const Property& p, const QString& value)
{
    const QString label =
        p.kind == Kind::AbDate ? labelOf(p) : QString::fromUtf16(labels::Anniversary);
    if (equalsCI(p.head.valueType, "TEXT")) {
        m_dateLabelsLeftOut << label;
        return; // "circa 1800" is a fine value, just not a day
    }
    const auto parsed = day(p, value, p.head.omitYear);
    if (!parsed) {
        m_dateLabelsLeftOut << label;
        note(p,
            QStringLiteral("%1 value %2 is not a date; the %3 was left out")
                .arg(p.name(), quoted(value),
                    p.kind == Kind::Anniversary ? QStringLiteral("anniversary")
                                                : QStringLiteral("date")));
        return;
    }
    if (!spendValue(p))
        return;
    if (p.kind == Kind::AbDate)
        m_dates.push_back(DateEntry {*parsed, labelOf(p), true});
    else
        m_dates.push_back(DateEntry {*parsed, QString::fromUtf16(labels::Anniversary), false});
}

void CardBuilder::androidCustom(const Property& p, const QString& value)
{
    Person& person = m_card.person;
    // Android's own rows: "vnd.android.cursor.item/<kind>;data1;data2;data3;...".
    const QList<QStringView> parts = text::splitUnescaped(value, u';');
    const QString kind = text::unescape(parts.value(0)).trimmed();
    if (kind == u"vnd.android.cursor.item/nickname") {
        if (person.nickname.isEmpty())
            person.nickname = text::unescape(parts.value(1)).trimmed();
        return;
    }
    if (kind != u"vnd.android.cursor.item/contact_event") {
        keep(p); // relations, websites and the like of Android's own
        return;
    }
    const QString day = text::unescape(parts.value(1));
    const QString type = text::unescape(parts.value(2)).trimmed();
    // Event types of Android's contacts provider: 0 custom, 1 anniversary, 2 other, 3 birthday.
    QString label;
    if (type == u"1")
        label = QString::fromUtf16(labels::Anniversary);
    else if (type == u"2")
        label = QString::fromUtf16(labels::Other);
    else if (type == u"0")
        label = text::unescape(parts.value(3));
    const auto parsed = this->day(p, day, false);
    if (!parsed) {
        if (type == u"3")
            m_birthdayLeftOut = true;
        else
            m_dateLabelsLeftOut << label;
        note(p,
            QStringLiteral("X-ANDROID-CUSTOM event %1 is not a date; the "
                           "date was left out")
                .arg(quoted(day)));
        return;
    }
    if (type == u"3") {
        if (!m_androidBirthday.isValid())
            m_androidBirthday = *parsed;
        return;
    }
    if (!spendValue(p))
        return;
    m_dates.push_back(DateEntry {*parsed, label, false});
}

void CardBuilder::birthday(const Property& p, const QString& value)
{
    if (equalsCI(p.head.valueType, "TEXT")) {
        m_birthdayLeftOut = true;
        return;
    }
    if (const auto d = day(p, value, p.head.omitYear)) {
        m_card.person.birthday = *d;
        return;
    }
    m_birthdayLeftOut = true;
    note(p,
        QStringLiteral("BDAY value %1 is not a date; the birthday was left out")
            .arg(quoted(value)));
}

// Other readers get the first anniversary as ANNIVERSARY next to its X-ABDATE; the copy
// must not become a second entry.
void CardBuilder::mergeDates()
{
    const QString anniversary = QString::fromUtf16(labels::Anniversary);
    QSet<qint64> labelledDays;
    for (const DateEntry& d : m_dates) {
        if (d.fromAbDate && d.label == anniversary)
            labelledDays.insert(d.date.toJulianDay());
    }
    for (DateEntry& d : m_dates) {
        if (!d.fromAbDate && d.label == anniversary) {
            if (labelledDays.contains(d.date.toJulianDay()))
                continue;
            labelledDays.insert(d.date.toJulianDay());
        }
        m_card.person.dates.push_back(Labeled<QDate> {std::move(d.label), d.date});
    }
}

// ---- Names and the other values ---------------------------------------------------------

void CardBuilder::name(const QString& value)
{
    Person& person = m_card.person;
    const QList<QStringView> parts = text::splitUnescaped(value, u';');
    person.lastName = text::unescape(parts.value(0)).trimmed();
    person.firstName = text::unescape(parts.value(1)).trimmed();
    person.middleName = text::unescape(parts.value(2)).trimmed();
    person.prefix = text::unescape(parts.value(3)).trimmed();
    person.suffix = text::unescape(parts.value(4)).trimmed();
    m_haveN = true;
}

// TEL, EMAIL and URL.
void CardBuilder::contactValue(const Property& p, const QString& value)
{
    QString v = text::unescape(value).trimmed();
    if (p.kind == Kind::Tel && equalsCI(p.head.valueType, "URI") &&
        v.startsWith(u"tel:", Qt::CaseInsensitive))
        v = v.sliced(4).trimmed();
    if (v.isEmpty() || !spendValue(p))
        return;
    Person& person = m_card.person;
    auto& list = p.kind == Kind::Tel ? person.phones
        : p.kind == Kind::Email      ? person.emails
                                     : person.urls;
    list.push_back(Labeled<QString> {labelOf(p), std::move(v)});
}

void CardBuilder::address(const Property& p, const QString& value)
{
    const QList<QStringView> parts = text::splitUnescaped(value, u';');
    auto part = [&](int i) { return text::unescape(parts.value(i)).trimmed(); };
    PostalAddress a;
    QStringList streetLines;
    for (int i : {2, 1, 0}) {
        if (QString s = part(i); !s.isEmpty())
            streetLines.append(s);
    }
    a.street = streetLines.join(u'\n');
    a.city = part(3);
    a.state = part(4);
    a.zip = part(5);
    a.country = part(6);
    if (a.isEmpty() || !spendValue(p))
        return;
    m_card.person.addresses.push_back(Labeled<PostalAddress> {labelOf(p), std::move(a)});
}

void CardBuilder::categories(const Property& p, const QString& value)
{
    for (QStringView item : text::splitUnescaped(value, u',')) {
        QString name = text::unescape(item).trimmed();
        if (name.isEmpty() || m_seenCategories.contains(name) || !spendValue(p))
            continue;
        m_seenCategories.insert(name);
        m_card.categories.append(std::move(name));
    }
}

// Only the first of the single-valued properties is used; later ones are not even decoded.
bool CardBuilder::isRepeatOfSingleValue(const Property& p) const
{
    const Person& person = m_card.person;
    return (p.kind == Kind::N && m_haveN) || (p.kind == Kind::FN && m_haveFN) ||
        (p.kind == Kind::Org && m_haveOrg) || (p.kind == Kind::Note && m_haveNote) ||
        (p.kind == Kind::Uid && m_haveUid) ||
        (p.kind == Kind::Nickname && !person.nickname.isEmpty()) ||
        (p.kind == Kind::Bday && person.birthday.isValid());
}

void CardBuilder::apply(const Property& p, const QString& value)
{
    Person& person = m_card.person;
    switch (p.kind) {
    case Kind::N:
        name(value);
        break;
    case Kind::FN:
        m_fn = text::unescape(value).trimmed();
        m_haveFN = true;
        break;
    case Kind::Org: {
        const QList<QStringView> parts = text::splitUnescaped(value, u';');
        person.organization = text::unescape(parts.value(0)).trimmed();
        m_haveOrg = !person.organization.isEmpty();
        // The department has no field: the whole line is kept, and written for ORG.
        if (parts.size() > 1 && !value.sliced(parts[1].data() - value.data()).trimmed().isEmpty())
            keep(p);
        break;
    }
    case Kind::Nickname:
        person.nickname = text::unescape(value).trimmed();
        break;
    case Kind::Note:
        person.note = text::unescape(value);
        m_haveNote = !person.note.isEmpty();
        break;
    case Kind::Uid:
        person.uid = text::unescape(value);
        m_haveUid = true;
        break;
    case Kind::Bday:
        birthday(p, value);
        break;
    case Kind::Anniversary:
    case Kind::AbDate:
        date(p, value);
        break;
    case Kind::Tel:
    case Kind::Email:
    case Kind::Url:
        contactValue(p, value);
        break;
    case Kind::Adr:
        address(p, value);
        break;
    case Kind::Categories:
        categories(p, value);
        break;
    case Kind::AndroidCustom:
        androidCustom(p, value);
        break;
    default:
        break;
    }
}

// ---- The card -------------------------------------------------------------------------

// X-ABLabel first: it names the values of its group wherever they stand in the card.
void CardBuilder::readGroupLabels()
{
    for (const Property& p : m_lines.properties) {
        if (p.head.group.isEmpty())
            continue;
        const QByteArray group = p.head.group.toByteArray().toUpper();
        if (isMapped(p.kind))
            m_mappedGroups.insert(group);
        if (p.kind != Kind::AbLabel || m_labels.contains(group))
            continue;
        if (const auto value = text(p))
            m_labels.insert(group, labels::labelFromText(text::unescape(*value)));
    }
}

void CardBuilder::readProperty(const Property& p)
{
    if (p.kind == Kind::Unknown || p.kind == Kind::AbLabel) {
        keepUnknown(p);
        return;
    }
    if (p.kind == Kind::Photo) {
        if (!m_photoDone)
            photo(p);
        return;
    }
    if (isRepeatOfSingleValue(p))
        return;
    if (const auto decoded = text(p))
        apply(p, *decoded);
}

// ---- What no field holds ----------------------------------------------------------------

void CardBuilder::keepUnknown(const Property& p)
{
    // They describe the file, not the person, or repeat ADR (LABEL).
    static const char* const notKept[] = {
        "VERSION", "PRODID", "REV", "LABEL", "NAME", "PROFILE", "BEGIN", "END"};
    for (const char* name : notKept) {
        if (equalsCI(p.head.name, name))
            return;
    }
    // A label, or Apple's X-ABADR, of a value that was read.
    if (!p.head.group.isEmpty() && m_mappedGroups.contains(p.head.group.toByteArray().toUpper()))
        return;
    keep(p);
}

void CardBuilder::keep(const Property& p)
{
    const bool binary = encodingOf(p.head.encoding) == Encoding::Base64;
    QByteArray mediaType;
    QByteArray line = p.head.group.isEmpty() ? QByteArray() : p.head.group.toByteArray() + '.';
    line += p.head.name;
    line += parametersFor40(p, binary, mediaType);
    line += ':';
    if (binary) {
        const auto data = bytes(p);
        if (!data)
            return;
        line += "data:" + mediaType + ";base64," + data->toBase64();
    } else {
        const auto value = text(p);
        if (!value)
            return;
        // Quoted-printable may hold line ends, which a content line cannot.
        QString v = *value;
        v.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
        v.replace(u'\r', QStringLiteral("\\n"));
        v.replace(u'\n', QStringLiteral("\\n"));
        line += v.toUtf8();
    }
    if (spendValue(p))
        m_card.extraProperties.append(QString::fromUtf8(line));
}

// A card with FN alone is named by it, split at its last space.
void CardBuilder::nameFromFormattedName()
{
    Person& person = m_card.person;
    const bool namesEmpty = person.firstName.isEmpty() && person.lastName.isEmpty() &&
        person.middleName.isEmpty() && person.prefix.isEmpty() && person.suffix.isEmpty();
    if (!namesEmpty || m_fn.isEmpty() || m_fn == person.organization || m_fn == person.nickname)
        return;
    const qsizetype space = m_fn.lastIndexOf(u' ');
    if (space < 0) {
        person.firstName = m_fn;
    } else {
        person.firstName = m_fn.first(space).trimmed();
        person.lastName = m_fn.sliced(space + 1).trimmed();
    }
}

bool CardBuilder::hasNameOrOrganization() const
{
    const Person& person = m_card.person;
    return !(person.firstName.isEmpty() && person.lastName.isEmpty() &&
        person.middleName.isEmpty() && person.prefix.isEmpty() && person.suffix.isEmpty() &&
        person.nickname.isEmpty() && person.organization.isEmpty());
}

std::optional<Card> CardBuilder::build()
{
    m_card.number = m_lines.number;
    readGroupLabels();
    for (const Property& p : m_lines.properties)
        readProperty(p);
    Person& person = m_card.person;
    if (!person.birthday.isValid() && m_androidBirthday.isValid())
        person.birthday = m_androidBirthday;
    mergeDates();
    nameFromFormattedName();
    if (!hasNameOrOrganization()) {
        m_fatal = QStringLiteral("it has no name and no organization");
        return std::nullopt;
    }
    person.hasImage = !m_card.photo.isEmpty();
    if (m_lines.tooManyProperties) {
        m_notes.push_back(Problem {m_lines.number, m_lines.line,
            QStringLiteral("the card has more than %1 properties; the rest were left out")
                .arg(MaxPropertiesPerCard)});
    }
    m_card.birthdayLeftOut = m_birthdayLeftOut;
    m_card.incomplete = m_card.incomplete || m_lines.incomplete;
    m_card.dateLabelsLeftOut = m_dateLabelsLeftOut;
    return std::move(m_card);
}

// --- the file --------------------------------------------------------------------------

class Reader {
public:
    Reader(QByteArrayView text, bool charsetAppliesToPlainValues, const Limits& limits)
        : m_text(text), m_charsetAppliesToPlain(charsetAppliesToPlainValues), m_limits(limits),
          m_valuesLeft(limits.values), m_guess(text)
    {
    }

    ReadResult run();

private:
    void problem(int card, int line, const QString& message);
    bool startCard(int line);
    void skipCard(const QString& why);
    void finishCard();
    void unreadableLine(const LogicalLine& l);
    bool readLine(LogicalLine& l);

    QByteArrayView m_text;
    bool m_charsetAppliesToPlain;
    Limits m_limits;
    std::optional<CardLines> m_card;
    int m_cardCount = 0;
    qint64 m_valuesLeft;
    CharsetGuess m_guess;
    QString m_refusal; // why the whole file is not read
    ReadResult m_result;
};

void Reader::problem(int card, int line, const QString& message)
{
    auto& problems = m_result.problems;
    if (problems.size() < size_t(MaxProblems))
        problems.push_back(Problem {card, line, message});
    else if (problems.size() == size_t(MaxProblems))
        problems.push_back(
            Problem {card, line, QStringLiteral("more problems were found and not listed")});
}

// Past the limit the file is refused as a whole: importing a part of it would look done.
bool Reader::startCard(int line)
{
    if (m_cardCount >= m_limits.cards) {
        m_refusal = QStringLiteral("the file has more than %1 cards, more than this reader "
                                   "keeps in memory at once; it was not read, so that no part "
                                   "of it is imported (split it into smaller files)")
                        .arg(m_limits.cards);
        return false;
    }
    ++m_cardCount;
    m_card.emplace();
    m_card->number = m_cardCount;
    m_card->line = line;
    return true;
}

void Reader::skipCard(const QString& why)
{
    problem(m_card->number, m_card->line, QStringLiteral("the card was skipped: ") + why);
    m_card.reset();
}

void Reader::finishCard()
{
    CardBuilder builder(*m_card, m_charsetAppliesToPlain, m_valuesLeft, m_guess);
    std::optional<Card> card = builder.build();
    if (m_valuesLeft < 0) {
        m_refusal = QStringLiteral("the file has more than %1 phones, e-mails, addresses, "
                                   "dates, groups and other values in all; it was not read, so "
                                   "that no part of it is imported (split it into smaller files)")
                        .arg(m_limits.values);
        return;
    }
    for (Problem& p : builder.notes())
        problem(p.cardNumber, p.line, p.message);
    if (!card) {
        skipCard(builder.fatal());
        return;
    }
    m_result.cards.push_back(std::move(*card));
    m_card.reset();
}

// Only the line is lost: the rest of the card is still worth having.
void Reader::unreadableLine(const LogicalLine& l)
{
    const QByteArrayView shown = trimmed(l.text);
    m_card->incomplete = true;
    problem(m_card->number, l.number,
        QStringLiteral("the line is not a property (it has no ':') and was left out: %1")
            .arg(quoted(text::utf8OrWindows1252(
                shown.first(std::min<qsizetype>(shown.size(), 4 * QuotedValueLength))))));
}

// One line inside a card; false when the file is refused.
bool Reader::readLine(LogicalLine& l)
{
    CardLines& card = *m_card;
    if (card.agentDepth > 0) {
        if (isMarker(l.text, "BEGIN"))
            ++card.agentDepth;
        else if (isMarker(l.text, "END"))
            --card.agentDepth;
        return true;
    }
    if (isMarker(l.text, "BEGIN")) {
        if (card.lastWasAgent) {
            card.agentDepth = 1;
            card.lastWasAgent = false;
            return true;
        }
        problem(card.number, card.line,
            QStringLiteral("the card has no END:VCARD; it was read up to the BEGIN:VCARD on "
                           "line %1")
                .arg(l.number));
        card.incomplete = true;
        finishCard();
        return m_refusal.isEmpty() && startCard(l.number);
    }
    if (isMarker(l.text, "END")) {
        finishCard();
        return m_refusal.isEmpty();
    }
    if (l.head.colon < 0) {
        if (!trimmed(l.text).isEmpty()) {
            card.lastWasAgent = false;
            unreadableLine(l);
        }
        return true;
    }
    const Kind kind = classify(l.head.name);
    card.lastWasAgent = false;
    if (kind == Kind::Agent) {
        // vCard 2.1 embeds the agent's card on the lines that follow "AGENT:".
        const QByteArrayView v = trimmed(QByteArrayView(l.text).sliced(l.head.colon + 1));
        if (v.isEmpty())
            card.lastWasAgent = true;
        else if (equalsCI(v, "BEGIN:VCARD"))
            card.agentDepth = 1;
        return true;
    }
    if (card.properties.size() >= size_t(MaxPropertiesPerCard)) {
        card.tooManyProperties = true;
        return true;
    }
    card.properties.push_back(Property {kind, l.number, std::move(l.text), l.head});
    return true;
}

ReadResult Reader::run()
{
    LineReader lines(m_text);
    LogicalLine l;
    while (lines.next(l, m_card.has_value())) {
        if (m_card) {
            if (!readLine(l))
                break;
        } else if (isMarker(l.text, "BEGIN") && !startCard(l.number)) {
            break;
        }
    }
    if (m_card && m_refusal.isEmpty()) {
        problem(m_card->number, m_card->line,
            QStringLiteral("the file ends inside this card (it has no END:VCARD); it was read up "
                           "to the end"));
        m_card->incomplete = true;
        finishCard();
    }
    if (!m_refusal.isEmpty())
        return ReadResult {{}, {Problem {0, 0, m_refusal}}};
    if (m_cardCount == 0)
        problem(0, 0, QStringLiteral("no vCard found: the file has no BEGIN:VCARD line"));
    return std::move(m_result);
}

} // namespace

ReadResult read(const QByteArray& bytes, const Limits& limits)
{
    if (bytes.size() > limits.fileBytes) {
        ReadResult result;
        result.problems.push_back(Problem {0, 0,
            QStringLiteral("the file is larger than %1 MiB; it was not read")
                .arg(limits.fileBytes >> 20)});
        return result;
    }
    std::optional<QStringConverter::Encoding> wide;
    if (bytes.startsWith(QByteArrayView("\xFF\xFE\x00\x00", 4)))
        wide = QStringConverter::Utf32LE;
    else if (bytes.startsWith(QByteArrayView("\x00\x00\xFE\xFF", 4)))
        wide = QStringConverter::Utf32BE;
    else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith(QByteArrayView("B\0E\0", 4)))
        wide = QStringConverter::Utf16LE;
    else if (bytes.startsWith("\xFE\xFF") || bytes.startsWith(QByteArrayView("\0B\0E", 4)))
        wide = QStringConverter::Utf16BE;
    if (wide) {
        // Converted to UTF-8 up front; CHARSET then only applies to encoded bytes.
        QStringDecoder decoder(*wide);
        const QByteArray utf8 = QString(decoder.decode(bytes)).toUtf8();
        return Reader(utf8, false, limits).run();
    }
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    return Reader(text, true, limits).run();
}

} // namespace fetemark::VCard
