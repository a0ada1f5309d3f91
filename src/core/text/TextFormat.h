#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace fetemark {

// A printf-style formatter that cannot be made to crash or read the wrong argument:
// formats use the conversions of the string tables (%d %i %u %x %X %o %c %s %@ %f %g
// %e with flags, width, precision, length modifiers l ll h q z, positional %1$@, and %%),
// and each conversion is checked against the kind of the argument it takes.
namespace TextFormat {

using Arg = std::variant<std::int64_t, double, QString>;
using Args = std::vector<Arg>;

// The filled text, or nullopt when the format is malformed, a conversion does not fit
// its argument's kind, or the format takes a different number of arguments than given.
std::optional<QString> format(const QString& format, const Args& args);

// What a format expects: one entry per argument position, in order.
enum class ArgKind { Integer, Real, String };
std::optional<std::vector<ArgKind>> signature(const QString& format);

} // namespace TextFormat
} // namespace fetemark
