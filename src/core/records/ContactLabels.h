#pragma once

#include "platform/addressbook/Person.h"

#include <QString>
#include <QStringList>

namespace fetemark {

class Texts;

namespace ContactLabel {
// What records and stores call a contact's date that has no label of its own: a marked,
// language-neutral form, shown as the translated word for "date". Earlier versions kept
// the translated word itself, so ids and stored choices changed with the language.
inline constexpr QLatin1StringView Unlabelled {"_$!<Date>!$_"};

// The label a record of a dated value carries: its own, or Unlabelled when it has none.
QString ofDateValue(const QString& label);

// The words earlier versions gave an unlabelled date, in every language they spoke (and
// the English default of a missing translation); fixed, since they name what is stored.
const QStringList& formerUnlabelledWords();

// True for the marked form "_$!<Name>!$_".
bool isWellKnown(const QString& label);

// The display word of a well-known label ("_$!<Other>!$_" → "other" in English; Unlabelled
// → "date"); any other label is returned as it is.
QString localizedLabel(const QString& label, const Texts& texts);
} // namespace ContactLabel

} // namespace fetemark
