#pragma once

#include <QLatin1StringView>
#include <QString>

namespace fetemark {

class Texts;

// The well-known labels of address book values. They are stored in this marked form so
// that they stay language-neutral; `localizedLabel` gives the word shown to the user.
namespace ContactLabel {
inline constexpr QLatin1StringView Anniversary{"_$!<Anniversary>!$_"};
inline constexpr QLatin1StringView Other{"_$!<Other>!$_"};
inline constexpr QLatin1StringView Home{"_$!<Home>!$_"};
inline constexpr QLatin1StringView Work{"_$!<Work>!$_"};
inline constexpr QLatin1StringView Mobile{"_$!<Mobile>!$_"};
inline constexpr QLatin1StringView Main{"_$!<Main>!$_"};
inline constexpr QLatin1StringView HomeFax{"_$!<HomeFAX>!$_"};
inline constexpr QLatin1StringView WorkFax{"_$!<WorkFAX>!$_"};
inline constexpr QLatin1StringView OtherFax{"_$!<OtherFAX>!$_"};
inline constexpr QLatin1StringView Pager{"_$!<Pager>!$_"};
inline constexpr QLatin1StringView HomePage{"_$!<HomePage>!$_"};
inline constexpr QLatin1StringView IPhone{"iPhone"};

// True for the marked form "_$!<Name>!$_".
bool isWellKnown(const QString& label);

// The display word of a well-known label ("_$!<Other>!$_" → "other" in English); any
// other label is returned as it is.
QString localizedLabel(const QString& label, const Texts& texts);
} // namespace ContactLabel

} // namespace fetemark
