#include "core/export/CalendarExport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using fetemark::CalendarExport;

struct TextRow {
    const char* name;
    const char16_t* text;
    const char16_t* escaped;
};

const TextRow textRows[] = {
    {"TabKept", u"a\tb", u"a\tb"},
    {"EscapeBecomesSpace", u"\x1b]0;x\x07", u" ]0\\;x "},
    {"DeleteBecomesSpace", u"a\x7f!", u"a !"},
};

class CalendarText : public testing::TestWithParam<TextRow> { };

TEST_P(CalendarText, HoldsOnlyWhatATextValueMay)
{
    const TextRow& row = GetParam();
    EXPECT_EQ(CalendarExport::escapeText(QString::fromUtf16(row.text)).toStdString(),
        QString::fromUtf16(row.escaped).toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CalendarText, testing::ValuesIn(textRows), fetemark::test::RowName());

} // namespace
