#include "core/text/VisibleText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

using namespace std::string_view_literals;

namespace VisibleText = fetemark::VisibleText;

struct EscapeRow {
    const char* name;
    std::u16string_view text;
    const char16_t* shown;
};

const EscapeRow escapeRows[] = {
    {"PlainAndNonLatinKept", u"Grüße 强 🎂", u"Grüße 强 🎂"},
    {"LineBreakAndTabKept", u"a\nb\tc", u"a\nb\tc"},
    {"ClearScreen", u"\x1b[2J", u"\\x1b[2J"},
    {"WindowTitle", u"\x1b]0;owned\x07", u"\\x1b]0;owned\\x07"},
    {"NulAndCarriageReturn",
        u"a\x00"
        "b\r"sv,
        u"a\\x00b\\x0d"},
    {"LastC0", u"\x1f", u"\\x1f"},
    {"Delete", u"a\x7f", u"a\\u007f"},
    {"C1Bounds", u"\u0080\u009b\u009f\u00a0", u"\\u0080\\u009b\\u009f\u00a0"},
    {"EmbeddingsAndOverrides", u"\u2029\u202a\u202e\u202f", u"\u2029\\u202a\\u202e\u202f"},
    {"Isolates", u"\u2065\u2066\u2069\u206a", u"\u2065\\u2066\\u2069\u206a"},
};

class VisibleTextEscaped : public testing::TestWithParam<EscapeRow> { };

TEST_P(VisibleTextEscaped, ShowsWhatATerminalWouldObey)
{
    const EscapeRow& row = GetParam();
    const QString text = QString::fromUtf16(row.text.data(), row.text.size());
    EXPECT_EQ(
        VisibleText::escaped(text).toStdString(), QString::fromUtf16(row.shown).toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VisibleTextEscaped, testing::ValuesIn(escapeRows), fetemark::test::RowName());

} // namespace
