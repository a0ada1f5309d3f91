#pragma once

#include "platform/addressbook/Person.h"

#include <QString>

namespace fetemark {

class Texts;

namespace ContactLabel {
// True for the marked form "_$!<Name>!$_".
bool isWellKnown(const QString& label);

// The display word of a well-known label ("_$!<Other>!$_" → "other" in English); any
// other label is returned as it is.
QString localizedLabel(const QString& label, const Texts& texts);
} // namespace ContactLabel

} // namespace fetemark
