#pragma once

#include "TextFormat.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace fetemark {

// The application's string tables: resources/<lang>.lproj/<Table>.strings, UTF-8 lines
// of the form "key" = "value"; with C-style comments. A lookup gives the key's text in
// the current language, else the English default given by the caller (kept in code
// next to the key), else the key itself.
class Texts {
public:
    static constexpr const char* DefaultTable = "Localizable";

    // `language` is the two-letter code ("EN", "DE"); `resourceRoot` holds the .lproj
    // folders (the built-in resources unless a test points elsewhere).
    explicit Texts(const QString& language, const QString& resourceRoot = QStringLiteral(":/resources"));

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

private:
    const QHash<QString, QString>& table(const QString& name) const;

    QString m_language;
    QString m_root;
    mutable QHash<QString, QHash<QString, QString>> m_tables; // loaded on first use
};

} // namespace fetemark
