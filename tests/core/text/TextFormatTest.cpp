#include "core/text/TextFormat.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>
#include <string>

using fetemark::TextFormat::Arg;
using fetemark::TextFormat::ArgKind;
using fetemark::TextFormat::Args;
namespace TextFormat = fetemark::TextFormat;

namespace {

Arg i(std::int64_t v)
{
    return Arg(v);
}
Arg r(double v)
{
    return Arg(v);
}
Arg s(const char* utf8)
{
    return Arg(QString::fromUtf8(utf8));
}

struct FormatRow {
    const char* name;
    const char* format; // UTF-8
    Args args;
    std::optional<const char*> expected; // nullopt: the format must be refused
};

constexpr auto refused = std::nullopt;

// Flags, widths and precisions of plain numbers are compared with printf in NumbersMatchPrintf.
const FormatRow formatRows[] = {
    {"PlainText", "Happy birthday!", {}, "Happy birthday!"},
    {"PercentLiteral", "100%% sure", {}, "100% sure"},
    {"EveryLetter", "%d%i%u%x%X%o%c|%f|%F|%e|%E|%g|%G|%s%@",
        {i(1), i(2), i(3), i(10), i(11), i(8), i('c'), r(1), r(2), r(3), r(4), r(5), r(6), s("s"),
            s("@")},
        "123aB10c|1.000000|2.000000|3.000000e+00|4.000000E+00|5|6|s@"},

    // a negative value shown unsigned takes the width of its length modifier
    {"UnsignedNegativeIs32Bit", "%u", {i(-1)}, "4294967295"},
    {"UnsignedLongNegativeIs64Bit", "%lu", {i(-1)}, "18446744073709551615"},
    {"HexNegativeShort", "%hx", {i(-1)}, "ffff"},
    {"HexNegativeChar", "%hhx", {i(-1)}, "ff"},
    {"HexBigPositiveNotCut", "%x", {i(0x123456789LL)}, "123456789"},
    {"DecimalBigWithoutModifierNotCut", "%d", {i(5000000000LL)}, "5000000000"},
    {"LongLongMin", "%lld", {i(std::numeric_limits<std::int64_t>::min())}, "-9223372036854775808"},
    {"LengthModifiers", "%zd|%jd|%td|%hd|%qd", {i(12), i(-12), i(3), i(3), i(-3)}, "12|-12|3|3|-3"},
    {"WideLengthsAndRealLengths", "%lc%ls %lf %Lf", {i(0x00E9), s("x"), r(0.25), r(0.5)},
        "éx 0.250000 0.500000"},
    {"GroupingFlagIgnored", "%'d", {i(1234567)}, "1234567"},

    // %c
    {"CharUnicode", "%c", {i(0x00BD)}, "½"},
    {"CharBeyondBmp", "%c", {i(0x1F382)}, "🎂"},
    {"CharSurrogateReplaced", "%c", {i(0xD800)}, "\uFFFD"},
    {"CharTooLargeReplaced", "%c", {i(0x110000)}, "\uFFFD"},
    {"CharNegativeReplaced", "%c", {i(-65)}, "\uFFFD"},

    // strings
    {"StringWidth", "%5s|", {s("ab")}, "   ab|"},
    {"StringLeft", "%-5s|", {s("ab")}, "ab   |"},
    {"StringZeroFlagPadsSpaces", "%05@|", {s("ab")}, "   ab|"},
    {"StringPrecisionCuts", "%.3@", {s("Birthday")}, "Bir"},
    {"StringPrecisionLonger", "%.30@", {s("Birthday")}, "Birthday"},
    {"StringWidthCountsCodePoints", "%4@|", {s("½🎂")}, "  ½🎂|"},
    {"StringPrecisionKeepsSurrogatePair", "%.2@", {s("🎂🎉x")}, "🎂🎉"},
    {"StringWithPercentInArg", "%@", {s("50% %d %@")}, "50% %d %@"},
    {"UnicodeInFormatAndArgs", "½ Geburtstag von %@ – %d Jahre", {s("Jürgen 🎈"), i(40)},
        "½ Geburtstag von Jürgen 🎈 – 40 Jahre"},
    {"UnicodeRightAfterPercentIsMalformed", "%½", {}, refused},

    // positions
    {"PositionalOrderIsByPosition", "%2$d %1$@", {s("Anna"), i(30)}, "30 Anna"},
    {"PositionalWithFlagsUsedTwice", "%1$05d|%1$-4d|", {i(7)}, "00007|7   |"},
    {"PositionalGap", "%1$@ %3$@", {s("a"), s("b"), s("c")}, refused},
    {"PositionalZero", "%0$@", {s("a")}, refused},
    {"PositionalSameSlotTwoKinds", "%1$@ %1$d", {s("a")}, refused},
    {"MixedPositionalThenSequential", "%1$@ %d", {s("a"), i(1)}, refused},
    {"PositionalTooLarge", "%99999$@", {s("a")}, refused},

    // kinds and counts that do not fit
    {"StringForDecimal", "%d", {s("5")}, refused},
    {"IntegerForString", "%@", {i(5)}, refused},
    {"IntegerForReal", "%f", {i(5)}, refused},
    {"RealForInteger", "%d", {r(5.0)}, refused},
    {"SecondArgumentWrong", "%@ turns %d", {s("Anna"), s("30")}, refused},
    {"TooFewArguments", "%@ and %@", {s("a")}, refused},
    {"TooManyArguments", "%@", {s("a"), s("b")}, refused},

    // malformed
    {"TrailingPercent", "50%", {}, refused},
    {"WidthWithoutLetter", "%5", {i(5)}, refused},
    {"StarWidth", "%*d", {i(5), i(1)}, refused},
    {"StarPrecision", "%.*f", {i(2), r(1.0)}, refused},
    {"WriteBackRefused", "%n", {i(1)}, refused},
    {"LongDoubleForInteger", "%Ld", {i(1)}, refused},
    {"ShortForReal", "%hf", {r(1.0)}, refused},
    {"LengthForAt", "%l@", {s("a")}, refused},
    {"WidthOverLimit", "%2000d", {i(1)}, refused},
    {"PercentWithWidthIsNotLiteral", "%5%", {}, refused},
};

class TextFormatFormat : public ::testing::TestWithParam<FormatRow> { };

std::vector<ArgKind> kindsOf(const Args& args)
{
    std::vector<ArgKind> out;
    for (const Arg& arg : args)
        out.push_back(std::holds_alternative<QString>(arg) ? ArgKind::String
                : std::holds_alternative<double>(arg)      ? ArgKind::Real
                                                           : ArgKind::Integer);
    return out;
}

TEST_P(TextFormatFormat, FillsOrRefuses)
{
    const FormatRow& row = GetParam();
    const QString format = QString::fromUtf8(row.format);
    const auto result = TextFormat::format(format, row.args);
    if (row.expected) {
        ASSERT_TRUE(result.has_value()) << "format refused: " << row.format;
        EXPECT_EQ(result->toStdString(), std::string(*row.expected));
        EXPECT_EQ(TextFormat::signature(format), kindsOf(row.args))
            << "the signature lists what fills the format";
    } else {
        EXPECT_FALSE(result.has_value()) << "accepted as: " << result->toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    TextFormatFormat, TextFormatFormat, ::testing::ValuesIn(formatRows), fetemark::test::RowName());

// The rebuilt directives must reproduce printf for every numeric letter, flag, width and precision.
TEST(TextFormatConsistency, NumbersMatchPrintf)
{
    const auto check = [](const std::string& conversion, const Arg& arg, const char* expected) {
        const auto got = TextFormat::format(QString::fromStdString(conversion), {arg});
        EXPECT_EQ(got.value_or(QStringLiteral("<refused>")).toStdString(), expected) << conversion;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const long long integers[] = {0, 1, -1, 42, -4096, 0x4E3A1B00, 2147483647};
    const double reals[] = {
        0.0, -0.5, 2.25, 1234.5678, 1e-7, -6.02e23, -inf, std::numeric_limits<double>::quiet_NaN()};
    char expected[128];
    for (const std::string flags : {"", "-", "+", " ", "#", "0", "-#", "-0", "+0", "0#"}) {
        for (const std::string size : {"", "1", "6", "12", "6.0", "8.3", ".2", "12.5"}) {
            const std::string head = "%" + flags + size;
            // printf leaves '#' undefined for decimals and '+', ' ' for unsigned letters; they are dropped.
            std::string unsignedFlags = flags;
            std::erase_if(unsignedFlags, [](char c) { return c == '+' || c == ' '; });
            for (const char letter : {'d', 'i', 'u', 'x', 'X', 'o'}) {
                const bool isSigned = letter == 'd' || letter == 'i';
                if (isSigned && flags.find('#') != std::string::npos)
                    continue;
                for (long long v : integers) {
                    if (!isSigned && v < 0)
                        continue;
                    std::snprintf(expected, sizeof expected,
                        ("%" + (isSigned ? flags : unsignedFlags) + size + "ll" + letter).c_str(),
                        v);
                    check(head + letter, Arg(std::int64_t(v)), expected);
                }
            }
            for (const char* letter : {"f", "F", "e", "E", "g", "G"}) {
                for (double v : reals) {
                    std::snprintf(expected, sizeof expected, (head + letter).c_str(), v);
                    check(head + letter, Arg(v), expected);
                }
            }
        }
    }
}

// QCoreApplication takes LC_NUMERIC from the environment; "2.5" must not become "2,5".
TEST(TextFormatLocale, DecimalPointIgnoresProcessLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
        switched = switched || std::setlocale(LC_NUMERIC, name);
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    const auto got = TextFormat::format(QStringLiteral("%.1f|%e"), {Arg(2.5), Arg(1000.0)});
    std::setlocale(LC_NUMERIC, previous.c_str());
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->toStdString(), "2.5|1.000000e+03");
}

} // namespace
