#include "core/text/Texts.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <map>
#include <optional>
#include <string>

using fetemark::Texts;
using fetemark::test::TempDir;
using fetemark::test::writeFile;
using fetemark::TextFormat::Arg;
using fetemark::TextFormat::Args;
using namespace Qt::StringLiterals;

namespace {

using Entries = std::map<std::string, std::string>;

Entries toMap(const QHash<QString, QString>& table)
{
    Entries out;
    for (auto it = table.begin(); it != table.end(); ++it)
        out[it.key().toStdString()] = it.value().toStdString();
    return out;
}

QString u8(const char* s)
{
    return QString::fromUtf8(s);
}

// Tables are files: UTF-8, or UTF-16 with a byte order mark; text that is not UTF-8 counts.
struct FileRow {
    const char* name;
    std::optional<QByteArray> bytes; // nullopt: no file
    Entries expected;
    int errors;
};

QByteArray utf16le(const QString& s)
{
    QByteArray out("\xFF\xFE", 2);
    for (QChar ch : s)
        out.append(char(ch.unicode() & 0xFF)).append(char(ch.unicode() >> 8));
    return out;
}

const FileRow fileRows[] = {
    {"OnlyComments", "/* nothing */\n// here\n", {}, 0},
    {"SpacingIsFree", "  \"a\"=\"1\" ;\n\t\"b\"   =   \"2\"\n;\n", {{"a", "1"}, {"b", "2"}}, 0},
    {"CommentsBetweenEntries",
        "/* first */\n\"a\" = \"1\"; // trailing\n/* multi\n   line */ \"b\" /* inside */ = /* and "
        "*/ \"2\";",
        {{"a", "1"}, {"b", "2"}}, 0},
    {"CommentMarkersInsideText", "\"url\" = \"http://example.org/*x*/\";",
        {{"url", "http://example.org/*x*/"}}, 0},
    {"Escapes", "\"say\" = \"\\\"hi\\\" a\\\\b 1\\n2\\t3\\r\";", {{"say", "\"hi\" a\\b 1\n2\t3\r"}},
        0},
    {"UnicodeEscapes", "\"u\" = \"\\U00BD \\u00e9 \\UD83C\\UDF82\";", {{"u", "½ é 🎂"}}, 0},
    {"NewlineInsideText", "\"two\" = \"line one\nline two\";", {{"two", "line one\nline two"}}, 0},
    {"ShortFormKeyOnly", "\"Holiday\";", {{"Holiday", "Holiday"}}, 0},
    {"EmptyValue", "\"e\" = \"\";", {{"e", ""}}, 0},
    {"DuplicateKeyLastWins", "\"a\" = \"1\";\n\"a\" = \"2\";", {{"a", "2"}}, 0},
    {"CrLfLineEnds", "/* c */\r\n\"a\" = \"1\";\r\n// x\r\n\"b\" = \"2\";\r\n",
        {{"a", "1"}, {"b", "2"}}, 0},
    {"MissingSemicolonSkipsOnlyThatEntry", "\"a\" = \"1\"\n\"b\" = \"2\";\n\"c\" = \"3\";",
        {{"b", "2"}, {"c", "3"}}, 1},
    {"MissingEquals", "\"a\" \"1\";\n\"b\" = \"2\";", {{"b", "2"}}, 1},
    {"UnquotedValue", "\"a\" = 1;\n\"b\" = \"2\";", {{"b", "2"}}, 1},
    {"UnknownEscape", "\"a\" = \"\\q\";\n\"b\" = \"2\";", {{"b", "2"}}, 1},
    {"ShortUnicodeEscape", "\"a\" = \"\\u12\";\n\"b\" = \"2\";", {{"b", "2"}}, 1},
    {"LoneLowSurrogateEscape", "\"a\" = \"\\uDC00\";\n\"b\" = \"2\";", {{"b", "2"}}, 1},
    {"HighSurrogateWithoutPair", "\"a\" = \"\\uD83Cx\";\n\"b\" = \"2\";", {{"b", "2"}}, 1},
    {"BadEscapeInMultiLineTextSkipsWholeText", "\"a\" = \"\\q\n\"; \"b\" = \"x\";\n\"c\" = \"3\";",
        {{"c", "3"}}, 1},
    {"UnterminatedText", "\"a\" = \"1\";\n\"b\" = \"2;\n", {{"a", "1"}}, 1},
    {"UnterminatedComment", "\"a\" = \"1\";\n/* never closed\n\"b\" = \"2\";", {{"a", "1"}}, 1},
    {"StrayCharacters", "\"a\" = \"1\";\n!!!\n\"b\" = \"2\";", {{"a", "1"}, {"b", "2"}}, 1},
    {"Utf8ByteOrderMark", QByteArray("\xEF\xBB\xBF\"a\" = \"1\";\r\n\"b\" = \"2\";\r\n"),
        {{"a", "1"}, {"b", "2"}}, 0},
    {"Utf16WithBom", utf16le(u8("\"a\" = \"é\";\n")), {{"a", "é"}}, 0},
    {"InvalidUtf8Counts", QByteArray("\"a\" = \"\xC3\x28\";\n"), {{"a", "\xEF\xBF\xBD("}}, 1},
    {"MissingIsEmptyWithoutError", std::nullopt, {}, 0},
    // written as a translator would, with one entry marked as broken
    {"TranslatorSample",
        fetemark::test::readFile(QStringLiteral(FETEMARK_TEST_DATA_DIR "/strings/sample.strings")),
        {{"UpdatingNotifications", "Benachrichtigungen werden aktualisiert…"},
            {"TurnsAge", "%1$@ wird %2$d"}, {"Quote", "Sie sagte \"Alles Gute\"\n"},
            {"Half", "½ Geburtstag"}, {"Repeated", "zweite Fassung"}, {"AfterBroken", "noch da"}},
        1},
};

class TextsFile : public ::testing::TestWithParam<FileRow> { };

TEST_P(TextsFile, ReadsEntriesAndCountsBadOnes)
{
    const FileRow& row = GetParam();
    TempDir dir;
    const QString path = dir.file(u"T.strings"_s);
    ASSERT_TRUE(!row.bytes || writeFile(path, *row.bytes));
    int errors = 1; // errors add to the caller's count
    EXPECT_EQ(toMap(Texts::loadStringsFile(path, &errors)), row.expected);
    EXPECT_EQ(errors, 1 + row.errors);
    EXPECT_EQ(toMap(Texts::loadStringsFile(path)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    TextsFile, TextsFile, ::testing::ValuesIn(fileRows), fetemark::test::RowName());

struct PathRow {
    const char *name, *language, *table, *expected;
};

const PathRow pathRows[] = {
    {"LanguageLowerCased", "DE", "Localizable", ":/resources/de.lproj/Localizable.strings"},
    {"OtherTable", "fr", "InfoPlist", ":/resources/fr.lproj/InfoPlist.strings"},
    {"LanguageLeavingRoot", "../x", "Localizable", ""},
    {"LanguageWithDot", "en.", "Localizable", ""},
    {"TableWithSlash", "EN", "sub/../../secret", ""},
    {"TableDotDot", "EN", "..", ""},
    {"EmptyTable", "EN", "", ""},
};

class TextsPath : public ::testing::TestWithParam<PathRow> { };

TEST_P(TextsPath, StaysInsideTheRoot)
{
    const PathRow& row = GetParam();
    EXPECT_EQ(Texts::tablePath(u":/resources"_s, u8(row.language), u8(row.table)).toStdString(),
        std::string(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    TextsPath, TextsPath, ::testing::ValuesIn(pathRows), fetemark::test::RowName());

// A resource root with an English and a German table, as the app ships them.
class TextsLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(
            QDir(dir.path()).mkpath(u"en.lproj"_s) && QDir(dir.path()).mkpath(u"de.lproj"_s));
        ASSERT_TRUE(writeFile(dir.file(u"en.lproj/Localizable.strings"_s),
            "\"Other\" = \"Other (table)\";\n"
            "\"OnlyInEnglishTable\" = \"from the English table\";\n"
            "\"Turns\" = \"%@ turns %d (table)\";\n"
            "\"BrokenInEnglishTable\" = \"%@ turns %\";\n"));
        ASSERT_TRUE(writeFile(dir.file(u"de.lproj/Localizable.strings"_s),
            "\"Birthday\" = \"Geburtstag\";\n"
            "\"Turns\" = \"%@ wird %d\";\n"
            "\"TurnsReordered\" = \"%2$d Jahre: %1$@\";\n"
            "\"TurnsSwapped\" = \"%d wird %@\";\n"
            "\"Empty\" = \"\";\n"));
        ASSERT_TRUE(
            writeFile(dir.file(u"de.lproj/Other.strings"_s), "\"Birthday\" = \"Wiegenfest\";\n"));
    }
    TempDir dir;
};

struct LookupRow {
    const char *name, *language, *key, *englishDefault;
    std::optional<Args> args; // nullopt: text(), else format()
    const char* expected;
    const char* table = Texts::DefaultTable;
};

const Args annaThirty {Arg(u"Anna"_s), Arg(std::int64_t(30))};

const LookupRow lookupRows[] = {
    // text(): language, else English default, else English table, else key
    {"GermanTranslation", "DE", "Birthday", "Birthday", std::nullopt, "Geburtstag"},
    {"GermanMissingUsesDefault", "DE", "Anniversary", "Anniversary", std::nullopt, "Anniversary"},
    {"GermanMissingNoDefaultUsesEnglishTable", "DE", "OnlyInEnglishTable", "", std::nullopt,
        "from the English table"},
    {"GermanEmptyTextIsUntranslated", "DE", "Empty", "Default", std::nullopt, "Default"},
    {"GermanNothingGivesKey", "DE", "Nowhere", "", std::nullopt, "Nowhere"},
    {"GermanOtherTable", "DE", "Birthday", "Birthday", std::nullopt, "Wiegenfest", "Other"},
    {"EnglishTableBeatsDefault", "EN", "Other", "Other", std::nullopt, "Other (table)"},
    {"LanguageLeavingRootIgnored", "../de.lproj/..", "Birthday", "Birthday", std::nullopt,
        "Birthday"},
    // format(): the first text whose conversions fit the arguments
    {"FormatGermanFits", "DE", "Turns", "%@ turns %d", annaThirty, "Anna wird 30"},
    {"FormatGermanReordered", "DE", "TurnsReordered", "%@ turns %d", annaThirty, "30 Jahre: Anna"},
    {"FormatGermanSwappedFallsToDefault", "DE", "TurnsSwapped", "%@ turns %d", annaThirty,
        "Anna turns 30"},
    {"FormatNothingFitsGivesKey", "DE", "TurnsSwapped", "%d turns %@", annaThirty, "TurnsSwapped"},
    {"FormatBadDefaultFallsToEnglishTable", "DE", "Other", "%", Args {}, "Other (table)"},
    {"FormatEnglishTableBeatsDefault", "EN", "Turns", "%@ turns %d", annaThirty,
        "Anna turns 30 (table)"},
    {"FormatBrokenEnglishTableUsesDefault", "EN", "BrokenInEnglishTable", "%@ turns %d", annaThirty,
        "Anna turns 30"},
};

class TextsText : public TextsLookup, public ::testing::WithParamInterface<LookupRow> { };

TEST_P(TextsText, FollowsTheFallbackChain)
{
    const LookupRow& row = GetParam();
    const Texts texts(u8(row.language), dir.path());
    const QString key = u8(row.key), englishDefault = u8(row.englishDefault), table = u8(row.table);
    const QString got = row.args ? texts.format(key, englishDefault, *row.args, table)
                                 : texts.text(key, englishDefault, table);
    EXPECT_EQ(got.toStdString(), std::string(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    TextsText, TextsText, ::testing::ValuesIn(lookupRows), fetemark::test::RowName());

// Tables are read once per object: a later change reaches only new objects.
TEST_F(TextsLookup, CachesTablesPerObject)
{
    const Texts texts(u"DE"_s, dir.path());
    ASSERT_EQ(texts.text(u"Birthday"_s), u"Geburtstag"_s);
    ASSERT_TRUE(writeFile(
        dir.path() + u"/de.lproj/Localizable.strings"_s, "\"Birthday\" = \"Jahrestag\";\n"));
    EXPECT_EQ(texts.text(u"Birthday"_s), u"Geburtstag"_s);
    EXPECT_EQ(Texts(u"DE"_s, dir.path()).text(u"Birthday"_s), u"Jahrestag"_s);
}

} // namespace
