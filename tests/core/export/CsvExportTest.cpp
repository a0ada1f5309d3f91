#include "core/export/CsvExport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using fetemark::CsvExport;

struct CellRow {
    const char* name;
    const char16_t* value;
    const char16_t* cell;
};

const CellRow cellRows[] = {
    {"Plain", u"Anna Berg", u"\"Anna Berg\""},
    {"Empty", u"", u"\"\""},
    {"EqualsInside", u"a=b", u"\"a=b\""},
    {"HyperlinkWithQuotes", u"=HYPERLINK(\"http://x\")", u"\"'=HYPERLINK(\"\"http://x\"\")\""},
    {"Plus", u"+SUM(1)", u"\"'+SUM(1)\""},
    {"MinusArithmetic", u"-2+3", u"\"'-2+3\""},
    {"At", u"@cmd", u"\"'@cmd\""},
    {"TabKept", u"\t=1+1", u"\"'\t=1+1\""},
    {"CarriageReturnBecomesSpace", u"\r=1+1", u"\"' =1+1\""},
};

class CsvTextCell : public testing::TestWithParam<CellRow> { };

TEST_P(CsvTextCell, IsTextToSpreadsheets)
{
    const CellRow& row = GetParam();
    EXPECT_EQ(CsvExport::textCell(QString::fromUtf16(row.value)).toStdString(),
        QString::fromUtf16(row.cell).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Rows, CsvTextCell, testing::ValuesIn(cellRows), fetemark::test::RowName());

} // namespace
