#include "core/TextFormat.h"

#include <gtest/gtest.h>

#include <QString>

#include <clocale>
#include <cstdio>
#include <string>

using fetemark::TextFormat::Arg;
using fetemark::TextFormat::ArgKind;
using fetemark::TextFormat::Args;
namespace TextFormat = fetemark::TextFormat;

namespace {

Arg i(std::int64_t v) { return Arg(v); }
Arg r(double v) { return Arg(v); }
Arg s(const char* utf8) { return Arg(QString::fromUtf8(utf8)); }

struct FormatRow {
    const char* name;
    const char* format; // UTF-8
    Args args;
    std::optional<const char*> expected; // nullopt: the format must be refused
};

void PrintTo(const FormatRow& row, std::ostream* os) { *os << row.name; }

const FormatRow formatRows[] = {
    // plain text and %%
    {"Empty", "", {}, ""},
    {"PlainText", "Happy birthday!", {}, "Happy birthday!"},
    {"PercentLiteral", "100%% sure", {}, "100% sure"},
    {"PercentLiteralWithArg", "%d%%", {i(50)}, "50%"},
    {"DoublePercentLiteral", "%%%%", {}, "%%"},
    {"PlainTextGivenArg", "no conversions", {i(1)}, std::nullopt},

    // integers
    {"Decimal", "%d", {i(42)}, "42"},
    {"DecimalNegative", "%d", {i(-42)}, "-42"},
    {"IntegerI", "%i days", {i(7)}, "7 days"},
    {"Unsigned", "%u", {i(3000000000LL)}, "3000000000"},
    {"UnsignedNegativeIs32Bit", "%u", {i(-1)}, "4294967295"},
    {"UnsignedLongNegativeIs64Bit", "%lu", {i(-1)}, "18446744073709551615"},
    {"HexLower", "%x", {i(255)}, "ff"},
    {"HexUpperDayKey", "%X", {i(0x4E3A1B00)}, "4E3A1B00"},
    {"HexUpperDayKeyZeroPadded", "%08X", {i(0x1B00)}, "00001B00"},
    {"HexNegativeIs32Bit", "%x", {i(-1)}, "ffffffff"},
    {"HexNegativeSmall", "%X", {i(-256)}, "FFFFFF00"},
    {"HexNegativeLong", "%lx", {i(-1)}, "ffffffffffffffff"},
    {"HexNegativeLongLong", "%llX", {i(-2)}, "FFFFFFFFFFFFFFFE"},
    {"HexNegativeQuad", "%qx", {i(-16)}, "fffffffffffffff0"},
    {"HexNegativeShort", "%hx", {i(-1)}, "ffff"},
    {"HexNegativeChar", "%hhx", {i(-1)}, "ff"},
    {"HexBigPositiveNotCut", "%x", {i(0x123456789LL)}, "123456789"},
    {"HexAlternate", "%#x", {i(255)}, "0xff"},
    {"HexAlternateUpper", "%#X", {i(255)}, "0XFF"},
    {"HexAlternateZero", "%#x", {i(0)}, "0"},
    {"Octal", "%o", {i(8)}, "10"},
    {"OctalAlternate", "%#o", {i(8)}, "010"},
    {"OctalNegative", "%o", {i(-1)}, "37777777777"},
    {"LongLongBig", "%lld", {i(9223372036854775807LL)}, "9223372036854775807"},
    {"LongLongMin", "%lld", {i(std::numeric_limits<std::int64_t>::min())}, "-9223372036854775808"},
    {"DecimalBigWithoutModifierNotCut", "%d", {i(5000000000LL)}, "5000000000"},
    {"SizeModifier", "%zd", {i(12)}, "12"},
    {"IntMaxModifier", "%jd", {i(-12)}, "-12"},
    {"PtrDiffModifier", "%td", {i(3)}, "3"},
    {"ShortModifier", "%hd", {i(3)}, "3"},
    {"QuadModifier", "%qd", {i(-3)}, "-3"},

    // integer flags, width, precision
    {"ZeroPadded", "%02d", {i(5)}, "05"},
    {"ZeroPaddedWide", "%02d", {i(123)}, "123"},
    {"ZeroPaddedNegative", "%05d", {i(-42)}, "-0042"},
    {"Width", "%5d|", {i(42)}, "   42|"},
    {"LeftAlign", "%-5d|", {i(42)}, "42   |"},
    {"LeftAlignBeatsZero", "%-05d|", {i(42)}, "42   |"},
    {"PlusSign", "%+d", {i(5)}, "+5"},
    {"PlusSignNegative", "%+d", {i(-5)}, "-5"},
    {"SpaceSign", "% d", {i(5)}, " 5"},
    {"PlusBeatsSpace", "%+ d", {i(5)}, "+5"},
    {"IntegerPrecision", "%.3d", {i(7)}, "007"},
    {"IntegerPrecisionZeroOfZero", "%.0d", {i(0)}, ""},
    {"PrecisionBeatsZeroFlag", "%06.3d", {i(7)}, "   007"},
    {"GroupingFlagIgnored", "%'d", {i(1234567)}, "1234567"},
    {"AlternateIgnoredForDecimal", "%#d", {i(9)}, "9"},
    {"PlusIgnoredForHex", "%+x", {i(10)}, "a"},

    // %c
    {"CharAscii", "%c", {i('A')}, "A"},
    {"CharUnicode", "%c", {i(0x00BD)}, "½"},
    {"CharBeyondBmp", "%c", {i(0x1F382)}, "🎂"},
    {"CharWide", "%lc", {i(0x00E9)}, "é"},
    {"CharWidth", "%3c|", {i('x')}, "  x|"},
    {"CharLeft", "%-3c|", {i('x')}, "x  |"},
    {"CharSurrogateReplaced", "%c", {i(0xD800)}, "\uFFFD"},
    {"CharTooLargeReplaced", "%c", {i(0x110000)}, "\uFFFD"},
    {"CharNegativeReplaced", "%c", {i(-65)}, "\uFFFD"},
    {"CharGivenString", "%c", {s("A")}, std::nullopt},

    // reals
    {"Fixed", "%f", {r(1.5)}, "1.500000"},
    {"FixedUpper", "%F", {r(1.5)}, "1.500000"},
    {"FixedPrecisionHalfEven", "%.1f", {r(2.25)}, "2.2"},
    {"FixedPrecisionRoundUp", "%.1f", {r(2.26)}, "2.3"},
    {"FixedPrecisionZero", "%.0f", {r(2.5)}, "2"},
    {"FixedAlternateKeepsPoint", "%#.0f", {r(3.0)}, "3."},
    {"FixedWidthZero", "%08.2f", {r(-3.14159)}, "-0003.14"},
    {"FixedLeft", "%-8.2f|", {r(3.14159)}, "3.14    |"},
    {"FixedPlus", "%+.1f", {r(0.5)}, "+0.5"},
    {"FixedLongModifier", "%lf", {r(0.25)}, "0.250000"},
    {"FixedLongDouble", "%Lf", {r(0.25)}, "0.250000"},
    {"Exponent", "%e", {r(12345.678)}, "1.234568e+04"},
    {"ExponentUpper", "%.2E", {r(0.000123)}, "1.23E-04"},
    {"General", "%g", {r(0.0001)}, "0.0001"},
    {"GeneralSmall", "%g", {r(0.00001)}, "1e-05"},
    {"GeneralUpper", "%G", {r(1e20)}, "1E+20"},
    {"GeneralAlternateKeepsZeros", "%#g", {r(1.5)}, "1.50000"},
    {"Infinity", "%f", {r(std::numeric_limits<double>::infinity())}, "inf"},
    {"InfinityUpper", "%F", {r(-std::numeric_limits<double>::infinity())}, "-INF"},
    {"NotANumber", "%f", {r(std::numeric_limits<double>::quiet_NaN())}, "nan"},

    // strings
    {"StringAt", "Hello %@!", {s("Anna")}, "Hello Anna!"},
    {"StringS", "Hello %s!", {s("Anna")}, "Hello Anna!"},
    {"StringWide", "%ls", {s("x")}, "x"},
    {"StringWidth", "%5s|", {s("ab")}, "   ab|"},
    {"StringLeft", "%-5s|", {s("ab")}, "ab   |"},
    {"StringZeroFlagPadsSpaces", "%05@|", {s("ab")}, "   ab|"},
    {"StringPrecisionCuts", "%.3@", {s("Birthday")}, "Bir"},
    {"StringPrecisionLonger", "%.30@", {s("Birthday")}, "Birthday"},
    {"StringWidthCountsCodePoints", "%4@|", {s("½🎂")}, "  ½🎂|"},
    {"StringPrecisionKeepsSurrogatePair", "%.2@", {s("🎂🎉x")}, "🎂🎉"},
    {"StringEmpty", "[%@]", {s("")}, "[]"},
    {"StringWithPercentInArg", "%@", {s("50% %d %@")}, "50% %d %@"},
    {"UnicodeInFormatAndArgs", "½ Geburtstag von %@ – %d Jahre", {s("Jürgen 🎈"), i(40)},
     "½ Geburtstag von Jürgen 🎈 – 40 Jahre"},
    {"UnicodeRightAfterPercentIsMalformed", "%½", {}, std::nullopt},

    // several arguments and positions
    {"TwoSequential", "%@ turns %d", {s("Anna"), i(30)}, "Anna turns 30"},
    {"ThreeKinds", "%@: %d, %.1f", {s("a"), i(1), r(1.25)}, "a: 1, 1.2"},
    {"PositionalSwapped", "%2$@ %1$@", {s("first"), s("second")}, "second first"},
    {"PositionalMixedKinds", "%2$d %1$@", {s("Anna"), i(30)}, "30 Anna"},
    {"PositionalWithFlags", "%1$05d|%1$-4d|", {i(7)}, "00007|7   |"},
    {"PositionalUsedTwice", "%1$@ and %1$@", {s("x")}, "x and x"},
    {"PositionalWithLength", "%1$lld", {i(-5)}, "-5"},
    {"PositionalHex", "%2$X-%1$x", {i(255), i(0x4E3A1B00)}, "4E3A1B00-ff"},
    {"PositionalGap", "%1$@ %3$@", {s("a"), s("b"), s("c")}, std::nullopt},
    {"PositionalGapFewerArgs", "%1$@ %3$@", {s("a"), s("c")}, std::nullopt},
    {"PositionalZero", "%0$@", {s("a")}, std::nullopt},
    {"PositionalSameSlotTwoKinds", "%1$@ %1$d", {s("a")}, std::nullopt},
    {"MixedPositionalThenSequential", "%1$@ %d", {s("a"), i(1)}, std::nullopt},
    {"MixedSequentialThenPositional", "%@ %2$d", {s("a"), i(1)}, std::nullopt},
    {"PositionalTooLarge", "%99999$@", {s("a")}, std::nullopt},

    // kinds that do not fit
    {"StringForDecimal", "%d", {s("5")}, std::nullopt},
    {"IntegerForString", "%@", {i(5)}, std::nullopt},
    {"IntegerForStringS", "%s", {i(5)}, std::nullopt},
    {"IntegerForReal", "%f", {i(5)}, std::nullopt},
    {"RealForInteger", "%d", {r(5.0)}, std::nullopt},
    {"RealForHex", "%x", {r(5.0)}, std::nullopt},
    {"RealForString", "%@", {r(5.0)}, std::nullopt},
    {"SecondArgumentWrong", "%@ turns %d", {s("Anna"), s("30")}, std::nullopt},
    {"SwappedArguments", "%@ turns %d", {i(30), s("Anna")}, std::nullopt},

    // wrong number of arguments
    {"TooFewArguments", "%@ and %@", {s("a")}, std::nullopt},
    {"NoArguments", "%d", {}, std::nullopt},
    {"TooManyArguments", "%@", {s("a"), s("b")}, std::nullopt},
    {"TooManyPositional", "%1$@", {s("a"), s("b")}, std::nullopt},

    // malformed
    {"TrailingPercent", "50%", {}, std::nullopt},
    {"LonePercent", "%", {}, std::nullopt},
    {"WidthWithoutLetter", "%5", {i(5)}, std::nullopt},
    {"FlagsWithoutLetter", "%-", {}, std::nullopt},
    {"PercentSpaceText", "100% sure", {}, std::nullopt},
    {"StarWidth", "%*d", {i(5), i(1)}, std::nullopt},
    {"StarPrecision", "%.*f", {i(2), r(1.0)}, std::nullopt},
    {"UnknownLetter", "%y", {i(1)}, std::nullopt},
    {"PointerRefused", "%p", {i(1)}, std::nullopt},
    {"WriteBackRefused", "%n", {i(1)}, std::nullopt},
    {"UnicodeCharConversionRefused", "%C", {i(65)}, std::nullopt},
    {"HexFloatRefused", "%a", {r(1.0)}, std::nullopt},
    {"LengthWithoutLetter", "%ll", {i(1)}, std::nullopt},
    {"LongDoubleForInteger", "%Ld", {i(1)}, std::nullopt},
    {"ShortForReal", "%hf", {r(1.0)}, std::nullopt},
    {"LengthForAt", "%l@", {s("a")}, std::nullopt},
    {"HugeWidth", "%99999999999d", {i(1)}, std::nullopt},
    {"WidthOverLimit", "%2000d", {i(1)}, std::nullopt},
    {"PercentWithWidthIsNotLiteral", "%5%", {}, std::nullopt},
};

class TextFormatFormat : public ::testing::TestWithParam<FormatRow> {};

TEST_P(TextFormatFormat, FillsOrRefuses)
{
    const FormatRow& row = GetParam();
    const auto result = TextFormat::format(QString::fromUtf8(row.format), row.args);
    if (row.expected) {
        ASSERT_TRUE(result.has_value()) << "format refused: " << row.format;
        EXPECT_EQ(result->toStdString(), std::string(*row.expected));
    } else {
        EXPECT_FALSE(result.has_value()) << "accepted as: " << result->toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(TextFormatFormat, TextFormatFormat, ::testing::ValuesIn(formatRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct SignatureRow {
    const char* name;
    const char* format;
    std::optional<std::vector<ArgKind>> expected;
};

void PrintTo(const SignatureRow& row, std::ostream* os) { *os << row.name; }

constexpr auto I = ArgKind::Integer;
constexpr auto R = ArgKind::Real;
constexpr auto S = ArgKind::String;

const SignatureRow signatureRows[] = {
    {"NoConversions", "Updating Notifications...", std::vector<ArgKind>{}},
    {"PercentLiteralOnly", "100%%", std::vector<ArgKind>{}},
    {"Sequential", "%@ turns %d on %.1f", std::vector<ArgKind>{S, I, R}},
    {"EveryIntegerLetter", "%d%i%u%x%X%o%c", std::vector<ArgKind>{I, I, I, I, I, I, I}},
    {"EveryRealLetter", "%f%F%e%E%g%G", std::vector<ArgKind>{R, R, R, R, R, R}},
    {"BothStringLetters", "%s%@", std::vector<ArgKind>{S, S}},
    {"PositionalOrderIsByPosition", "%2$d wird %1$@", std::vector<ArgKind>{S, I}},
    {"PositionalRepeated", "%1$@%2$d%1$@", std::vector<ArgKind>{S, I}},
    {"Gap", "%2$d", std::nullopt},
    {"ConflictingKinds", "%1$d%1$f", std::nullopt},
    {"Mixed", "%1$d%d", std::nullopt},
    {"Trailing", "%d%", std::nullopt},
    {"Star", "%*d", std::nullopt},
    {"Unknown", "%k", std::nullopt},
};

class TextFormatSignature : public ::testing::TestWithParam<SignatureRow> {};

TEST_P(TextFormatSignature, ListsKindsByPosition)
{
    const SignatureRow& row = GetParam();
    EXPECT_EQ(TextFormat::signature(QString::fromUtf8(row.format)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(TextFormatSignature, TextFormatSignature, ::testing::ValuesIn(signatureRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Every accepted format's signature must agree with what format() accepts: the kinds it
// lists are exactly the arguments that fill it.
TEST(TextFormatConsistency, SignatureArgumentsAreAccepted)
{
    for (const FormatRow& row : formatRows) {
        SCOPED_TRACE(row.name);
        const QString format = QString::fromUtf8(row.format);
        const auto kinds = TextFormat::signature(format);
        const bool filled = TextFormat::format(format, row.args).has_value();
        if (filled) {
            ASSERT_TRUE(kinds.has_value());
            ASSERT_EQ(kinds->size(), row.args.size());
        }
        if (!kinds) {
            EXPECT_FALSE(filled);
        }
    }
}

// The rebuilt single-conversion directives must reproduce printf exactly for the numeric
// letters across flag, width and precision combinations.
TEST(TextFormatConsistency, NumbersMatchPrintf)
{
    const char* flagSets[] = {"", "-", "+", " ", "#", "0", "-#", "+0", "0#"};
    const char* sizes[] = {"", "1", "6", "12", "6.0", "8.3", ".2", "12.5"};
    const long long integers[] = {0, 1, -1, 42, -4096, 0x4E3A1B00, 2147483647};
    const double reals[] = {0.0, -0.5, 2.25, 1234.5678, 1e-7, -6.02e23};
    for (const char* flags : flagSets) {
        for (const char* size : sizes) {
            for (const char* letter : {"d", "i"}) {
                for (long long v : integers) {
                    const std::string conversion = std::string("%") + flags + size + letter;
                    SCOPED_TRACE(conversion + " of " + std::to_string(v));
                    if (std::string(flags).find('#') != std::string::npos)
                        continue; // '#' has no defined meaning for decimals
                    char expected[128];
                    std::snprintf(expected, sizeof expected, (std::string("%") + flags + size + "ll" + letter).c_str(), v);
                    const auto got = TextFormat::format(QString::fromStdString(conversion), {Arg(std::int64_t(v))});
                    ASSERT_TRUE(got.has_value());
                    EXPECT_EQ(got->toStdString(), expected);
                }
            }
            for (const char* letter : {"u", "x", "X", "o"}) {
                for (long long v : integers) {
                    if (v < 0)
                        continue;
                    const std::string conversion = std::string("%") + flags + size + letter;
                    SCOPED_TRACE(conversion + " of " + std::to_string(v));
                    std::string cleaned;
                    for (const char* f = flags; *f; ++f)
                        if (*f != '+' && *f != ' ')
                            cleaned += *f;
                    char expected[128];
                    std::snprintf(expected, sizeof expected, (std::string("%") + cleaned + size + "ll" + letter).c_str(),
                                  static_cast<unsigned long long>(v));
                    const auto got = TextFormat::format(QString::fromStdString(conversion), {Arg(std::int64_t(v))});
                    ASSERT_TRUE(got.has_value());
                    EXPECT_EQ(got->toStdString(), expected);
                }
            }
            for (const char* letter : {"f", "F", "e", "E", "g", "G"}) {
                for (double v : reals) {
                    const std::string conversion = std::string("%") + flags + size + letter;
                    SCOPED_TRACE(conversion + " of " + std::to_string(v));
                    char expected[128];
                    std::snprintf(expected, sizeof expected, conversion.c_str(), v);
                    const auto got = TextFormat::format(QString::fromStdString(conversion), {Arg(v)});
                    ASSERT_TRUE(got.has_value());
                    EXPECT_EQ(got->toStdString(), expected);
                }
            }
        }
    }
}

// QCoreApplication takes LC_NUMERIC from the environment; a German locale must not turn
// "2.5" into "2,5" inside an English text.
TEST(TextFormatLocale, DecimalPointIgnoresProcessLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            switched = true;
            break;
        }
    }
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    const auto got = TextFormat::format(QStringLiteral("%.1f|%e"), {Arg(2.5), Arg(1000.0)});
    std::setlocale(LC_NUMERIC, previous.c_str());
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->toStdString(), "2.5|1.000000e+03");
}

} // namespace
