#pragma once

#include "core/text/TextFormat.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace fetemark {

// The application's string tables: resources/<lang>.lproj/<Table>.strings, UTF-8 lines
// of the form "key" = "value"; with C-style comments. A lookup gives the key's text in
// the current language, else the English default given by the caller (kept in code
// next to the key), else the English table's text, else the key itself.
// Tables are loaded on first use and cached in the object, without locking: a Texts
// object belongs to one thread at a time.
class Texts {
public:
    static constexpr const char* DefaultTable = "Localizable";

    // `language` is the two-letter code ("EN", "DE"); `resourceRoot` holds the .lproj
    // folders (the built-in resources unless a test points elsewhere).
    explicit Texts(
        const QString& language, const QString& resourceRoot = QStringLiteral(":/resources"));

    QString language() const { return m_language; }

    QString text(const QString& key, const QString& englishDefault = {},
        const QString& table = QString::fromLatin1(DefaultTable)) const;

    // The key's format filled with the arguments. A translation whose conversions do not
    // fit the arguments is passed over for the English default; a default that does not
    // fit either gives the key.
    QString format(const QString& key, const QString& englishDefault, const TextFormat::Args& args,
        const QString& table = QString::fromLatin1(DefaultTable)) const;

    // Parses one .strings file's text; entries that cannot be read are skipped and
    // counted in `errors` when given.
    static QHash<QString, QString> parseStrings(const QString& content, int* errors = nullptr);

    // Reads and parses one .strings file (UTF-8, or UTF-16 with a byte order mark). A
    // missing file is an empty table; an unreadable or badly encoded one counts an error.
    static QHash<QString, QString> loadStringsFile(const QString& path, int* errors = nullptr);

    // Where `table` of `language` lives under `root` ("<root>/de.lproj/<table>.strings"),
    // or empty when the language or table name could escape that folder.
    static QString tablePath(const QString& root, const QString& language, const QString& table);

private:
    const QHash<QString, QString>& table(const QString& name) const;
    const QHash<QString, QString>& tableOf(const QString& language, const QString& name) const;

    using Table = QHash<QString, QString>;
    // A table found before, by language and name: every phrase of a list looks one up,
    // and building its path each time costs more than the lookup itself.
    struct KnownTable {
        QString language;
        QString name;
        const Table* table;
    };

    QString m_language;
    QString m_root;
    // By table path; loaded on first use. Held by pointer so that m_known stays valid
    // while more tables are loaded.
    mutable QHash<QString, std::shared_ptr<const Table>> m_tables;
    mutable std::vector<KnownTable> m_known;
};

} // namespace fetemark
