#include "Texts.h"

#include <QFile>
#include <QStringDecoder>

#include <optional>

// Texts caches its tables in mutable members without locking; share one object between
// threads only with outside synchronisation.

namespace fetemark {
namespace {

const QString English = QStringLiteral("en");

// Only plain names may become part of a path, so a language code or table name taken from
// settings can never reach outside the resource folder.
bool isPlainName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'.'))
        return false;
    for (const QChar ch : name) {
        const bool ok = (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
            (ch >= u'0' && ch <= u'9') || ch == u'_' || ch == u'-' || ch == u'.';
        if (!ok)
            return false;
    }
    return true;
}

class StringsParser {
public:
    explicit StringsParser(const QString& text) : m_s(text) { }

    QHash<QString, QString> run(int& errors)
    {
        QHash<QString, QString> entries;
        if (m_s.startsWith(QChar(0xFEFF)))
            m_i = 1;
        while (true) {
            if (!skipTrivia()) {
                ++errors;
                break;
            }
            if (atEnd())
                break;

            const auto key = quoted();
            if (!key) {
                ++errors;
                skipLine();
                continue;
            }
            if (!skipTrivia()) {
                ++errors;
                break;
            }
            // `"key";` is the short form for a text equal to its key.
            if (peek() == u';') {
                ++m_i;
                entries.insert(*key, *key);
                continue;
            }
            if (peek() != u'=') {
                ++errors;
                skipLine();
                continue;
            }
            ++m_i;
            if (!skipTrivia()) {
                ++errors;
                break;
            }
            const auto value = quoted();
            if (!value) {
                ++errors;
                skipLine();
                continue;
            }
            if (!skipTrivia()) {
                ++errors;
                break;
            }
            if (peek() != u';') {
                // Without its semicolon the entry is dropped, but what follows is left in
                // place: it is usually the next entry on the next line.
                ++errors;
                continue;
            }
            ++m_i;
            entries.insert(*key, *value);
        }
        return entries;
    }

private:
    bool atEnd() const { return m_i >= m_s.size(); }
    char16_t peek() const { return atEnd() ? char16_t(0) : m_s[m_i].unicode(); }
    char16_t peekAt(qsizetype k) const { return k < m_s.size() ? m_s[k].unicode() : char16_t(0); }

    void skipLine()
    {
        while (!atEnd() && m_s[m_i] != u'\n')
            ++m_i;
        if (!atEnd())
            ++m_i;
    }

    // Whitespace and comments; false for a block comment that never ends.
    bool skipTrivia()
    {
        while (!atEnd()) {
            if (m_s[m_i].isSpace()) {
                ++m_i;
            } else if (peek() == u'/' && peekAt(m_i + 1) == u'/') {
                skipLine();
            } else if (peek() == u'/' && peekAt(m_i + 1) == u'*') {
                const qsizetype close = m_s.indexOf(QLatin1String("*/"), m_i + 2);
                if (close < 0) {
                    m_i = m_s.size();
                    return false;
                }
                m_i = close + 2;
            } else {
                break;
            }
        }
        return true;
    }

    // Exactly four hex digits, one UTF-16 unit.
    std::optional<char16_t> hex4()
    {
        char16_t value = 0;
        for (int k = 0; k < 4; ++k, ++m_i) {
            const char16_t ch = peek();
            int digit;
            if (ch >= u'0' && ch <= u'9')
                digit = ch - u'0';
            else if (ch >= u'a' && ch <= u'f')
                digit = ch - u'a' + 10;
            else if (ch >= u'A' && ch <= u'F')
                digit = ch - u'A' + 10;
            else
                return std::nullopt;
            value = char16_t(value * 16 + digit);
        }
        return value;
    }

    // A quoted string at the cursor. A bad escape spoils the string, but reading goes on to
    // its closing quote so the rest of a multi-line text is not taken for new entries.
    std::optional<QString> quoted()
    {
        if (peek() != u'"')
            return std::nullopt;
        ++m_i;
        QString out;
        bool good = true;
        while (!atEnd()) {
            const QChar ch = m_s[m_i++];
            if (ch == u'"')
                return good ? std::optional<QString>(out) : std::nullopt;
            if (ch != u'\\') {
                out += ch;
                continue;
            }
            if (atEnd())
                break;
            const char16_t e = m_s[m_i++].unicode();
            switch (e) {
            case u'"':
                out += u'"';
                break;
            case u'\\':
                out += u'\\';
                break;
            case u'n':
                out += u'\n';
                break;
            case u't':
                out += u'\t';
                break;
            case u'r':
                out += u'\r';
                break;
            case u'u':
            case u'U': {
                const auto unit = hex4();
                if (!unit) {
                    good = false;
                    break;
                }
                const QChar c(*unit);
                if (c.isLowSurrogate()) {
                    good = false;
                } else if (c.isHighSurrogate()) {
                    // Characters beyond the BMP are written as two escapes, high then low.
                    std::optional<char16_t> low;
                    if (peek() == u'\\' && (peekAt(m_i + 1) == u'u' || peekAt(m_i + 1) == u'U')) {
                        m_i += 2;
                        low = hex4();
                    }
                    if (low && QChar(*low).isLowSurrogate()) {
                        out += c;
                        out += QChar(*low);
                    } else {
                        good = false;
                    }
                } else {
                    out += c;
                }
                break;
            }
            default:
                good = false;
                break;
            }
        }
        return std::nullopt; // no closing quote
    }

    const QString& m_s;
    qsizetype m_i = 0;
};

const QHash<QString, QString>& emptyTable()
{
    static const QHash<QString, QString> empty;
    return empty;
}

} // namespace

Texts::Texts(const QString& language, const QString& resourceRoot)
    : m_language(language), m_root(resourceRoot)
{
}

QHash<QString, QString> Texts::parseStrings(const QString& content, int* errors)
{
    int count = 0;
    auto entries = StringsParser(content).run(count);
    if (errors)
        *errors += count;
    return entries;
}

QHash<QString, QString> Texts::loadStringsFile(const QString& path, int* errors)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        if (errors)
            ++*errors;
        return {};
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(
        QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() && errors)
        ++*errors;
    return parseStrings(text, errors);
}

QString Texts::tablePath(const QString& root, const QString& language, const QString& table)
{
    if (!isPlainName(language) || language.contains(u'.') || !isPlainName(table))
        return {};
    return root + u'/' + language.toLower() + QLatin1String(".lproj/") + table +
        QLatin1String(".strings");
}

const QHash<QString, QString>& Texts::tableOf(const QString& language, const QString& name) const
{
    for (const KnownTable& known : m_known) {
        if (known.language == language && known.name == name)
            return *known.table;
    }
    const QString path = tablePath(m_root, language, name);
    if (path.isEmpty())
        return emptyTable();
    auto it = m_tables.find(path);
    if (it == m_tables.end())
        it = m_tables.insert(path, std::make_shared<const Table>(loadStringsFile(path)));
    // Few tables are ever used; a stray name from the settings must not grow the list.
    if (m_known.size() < 16)
        m_known.push_back({language, name, it->get()});
    return **it;
}

const QHash<QString, QString>& Texts::table(const QString& name) const
{
    return tableOf(m_language, name);
}

QString Texts::text(const QString& key, const QString& englishDefault, const QString& table) const
{
    const QString translated = this->table(table).value(key);
    if (!translated.isEmpty())
        return translated;
    if (!englishDefault.isEmpty())
        return englishDefault;
    const QString english = tableOf(English, table).value(key);
    return english.isEmpty() ? key : english;
}

QString Texts::format(const QString& key, const QString& englishDefault,
    const TextFormat::Args& args, const QString& table) const
{
    const QString translated = this->table(table).value(key);
    const QString english = tableOf(English, table).value(key);
    for (const QString* candidate : {&translated, &englishDefault, &english}) {
        if (candidate->isEmpty())
            continue;
        if (auto filled = TextFormat::format(*candidate, args))
            return *filled;
    }
    return key;
}

} // namespace fetemark
