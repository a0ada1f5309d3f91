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
    {"PrintableLineBreakAndTabKept", u"Grüße 强 🎂\n\t", u"Grüße 强 🎂\n\t"},
    {"C0AsHexWithBounds", u"a\x00\r\x1b[2J\x1f"sv, u"a\\x00\\x0d\\x1b[2J\\x1f"},
    {"DeleteAndC1WithBounds", u"~\x7f\u0080\u009f\u00a0", u"~\\u007f\\u0080\\u009f\u00a0"},
    {"BidiControlsWithBounds", u"\u2029\u202a\u202e\u202f\u2065\u2066\u2069\u206a",
        u"\u2029\\u202a\\u202e\u202f\u2065\\u2066\\u2069\u206a"},
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
