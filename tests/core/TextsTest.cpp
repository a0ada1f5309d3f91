#include "core/Texts.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <map>
#include <string>

using fetemark::Texts;
using fetemark::TextFormat::Arg;
using fetemark::TextFormat::Args;

namespace {

using Entries = std::map<std::string, std::string>;

Entries toMap(const QHash<QString, QString>& table)
{
    Entries out;
    for (auto it = table.begin(); it != table.end(); ++it)
        out[it.key().toStdString()] = it.value().toStdString();
    return out;
}

struct ParseRow {
    const char* name;
    QString content;
    Entries expected;
    int errors;
};

void PrintTo(const ParseRow& row, std::ostream* os) { *os << row.name; }

QString u8(const char* s) { return QString::fromUtf8(s); }

const ParseRow parseRows[] = {
    {"Empty", u8(""), {}, 0},
    {"OnlyComments", u8("/* nothing */\n// here\n"), {}, 0},
    {"OneEntry", u8("\"OK\" = \"OK\";"), {{"OK", "OK"}}, 0},
    {"SpacingIsFree", u8("  \"a\"=\"1\" ;\n\t\"b\"   =   \"2\"\n;\n"), {{"a", "1"}, {"b", "2"}}, 0},
    {"CommentsBetweenEntries",
     u8("/* first */\n\"a\" = \"1\"; // trailing\n/* multi\n   line */ \"b\" /* inside */ = /* and */ \"2\";"),
     {{"a", "1"}, {"b", "2"}}, 0},
    {"CommentMarkersInsideText", u8("\"url\" = \"http://example.org/*x*/\";"), {{"url", "http://example.org/*x*/"}}, 0},
    {"EscapedQuotes", u8("\"say\" = \"She said \\\"hi\\\"\";"), {{"say", "She said \"hi\""}}, 0},
    {"EscapedBackslash", u8("\"path\" = \"a\\\\b\";"), {{"path", "a\\b"}}, 0},
    {"ControlEscapes", u8("\"c\" = \"1\\n2\\t3\\r\";"), {{"c", "1\n2\t3\r"}}, 0},
    {"UnicodeEscapes", u8("\"u\" = \"\\U00BD \\u00e9\";"), {{"u", "½ é"}}, 0},
    {"UnicodeEscapeSurrogatePair", u8("\"cake\" = \"\\UD83C\\UDF82\";"), {{"cake", "🎂"}}, 0},
    {"LiteralUnicode", u8("\"Geburtstag\" = \"½ Jürgen 🎈\";"), {{"Geburtstag", "½ Jürgen 🎈"}}, 0},
    {"EscapedKey", u8("\"a\\\"b\" = \"x\";"), {{"a\"b", "x"}}, 0},
    {"NewlineInsideText", u8("\"two\" = \"line one\nline two\";"), {{"two", "line one\nline two"}}, 0},
    {"ShortFormKeyOnly", u8("\"Holiday\";"), {{"Holiday", "Holiday"}}, 0},
    {"EmptyValue", u8("\"e\" = \"\";"), {{"e", ""}}, 0},
    {"MissingSemicolonSkipsOnlyThatEntry", u8("\"a\" = \"1\"\n\"b\" = \"2\";\n\"c\" = \"3\";"),
     {{"b", "2"}, {"c", "3"}}, 1},
    {"MissingSemicolonAtEnd", u8("\"a\" = \"1\";\n\"b\" = \"2\"\n"), {{"a", "1"}}, 1},
    {"MissingSemicolonBeforeComment", u8("\"a\" = \"1\" // no end\n\"b\" = \"2\";"), {{"b", "2"}}, 1},
    {"DuplicateKeyLastWins", u8("\"a\" = \"1\";\n\"a\" = \"2\";"), {{"a", "2"}}, 0},
    {"ByteOrderMark", QString(QChar(0xFEFF)) + u8("\"a\" = \"1\";"), {{"a", "1"}}, 0},
    {"CrLfLineEnds", u8("/* c */\r\n\"a\" = \"1\";\r\n// x\r\n\"b\" = \"2\";\r\n"), {{"a", "1"}, {"b", "2"}}, 0},
    {"CrLfWithMissingSemicolon", u8("\"a\" = \"1\"\r\n\"b\" = \"2\";\r\n"), {{"b", "2"}}, 1},
    {"MissingEquals", u8("\"a\" \"1\";\n\"b\" = \"2\";"), {{"b", "2"}}, 1},
    {"UnquotedKey", u8("a = \"1\";\n\"b\" = \"2\";"), {{"b", "2"}}, 1},
    {"UnquotedValue", u8("\"a\" = 1;\n\"b\" = \"2\";"), {{"b", "2"}}, 1},
    {"UnknownEscape", u8("\"a\" = \"\\q\";\n\"b\" = \"2\";"), {{"b", "2"}}, 1},
    {"ShortUnicodeEscape", u8("\"a\" = \"\\u12\";\n\"b\" = \"2\";"), {{"b", "2"}}, 1},
    {"LoneLowSurrogateEscape", u8("\"a\" = \"\\uDC00\";\n\"b\" = \"2\";"), {{"b", "2"}}, 1},
    {"HighSurrogateWithoutPair", u8("\"a\" = \"\\uD83Cx\";\n\"b\" = \"2\";"), {{"b", "2"}}, 1},
    {"BadEscapeInMultiLineTextSkipsWholeText", u8("\"a\" = \"\\q\n\"; \"b\" = \"x\";\n\"c\" = \"3\";"),
     {{"c", "3"}}, 1},
    {"UnterminatedText", u8("\"a\" = \"1\";\n\"b\" = \"2;\n"), {{"a", "1"}}, 1},
    {"UnterminatedComment", u8("\"a\" = \"1\";\n/* never closed\n\"b\" = \"2\";"), {{"a", "1"}}, 1},
    {"StrayCharacters", u8("\"a\" = \"1\";\n!!!\n\"b\" = \"2\";"), {{"a", "1"}, {"b", "2"}}, 1},
    {"StraySemicolon", u8("\"a\" = \"1\";;\n\"b\" = \"2\";"), {{"a", "1"}, {"b", "2"}}, 1},
    {"TwoBadEntriesCountTwice", u8("\"a\" = \"1\"\n\"b\" = 2;\n\"c\" = \"3\";"), {{"c", "3"}}, 2},
};

class TextsParse : public ::testing::TestWithParam<ParseRow> {};

TEST_P(TextsParse, ReadsEntriesAndCountsBadOnes)
{
    const ParseRow& row = GetParam();
    int errors = 0;
    const auto table = Texts::parseStrings(row.content, &errors);
    EXPECT_EQ(toMap(table), row.expected);
    EXPECT_EQ(errors, row.errors);
}

INSTANTIATE_TEST_SUITE_P(TextsParse, TextsParse, ::testing::ValuesIn(parseRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextsParseErrors, AddToTheCallersCountAndMayBeOmitted)
{
    int errors = 3;
    Texts::parseStrings(u8("\"a\" = \"1\"\n"), &errors);
    EXPECT_EQ(errors, 4);
    EXPECT_EQ(toMap(Texts::parseStrings(u8("\"a\" = \"1\";\n\"b\""))), (Entries{{"a", "1"}}));
}

// Files on disk: encodings are detected from the bytes, and text that is not UTF-8 counts.
struct FileRow {
    const char* name;
    QByteArray bytes;
    Entries expected;
    int errors;
};

void PrintTo(const FileRow& row, std::ostream* os) { *os << row.name; }

QByteArray utf16le(const QString& s)
{
    QByteArray out("\xFF\xFE", 2);
    for (QChar ch : s) {
        out += char(ch.unicode() & 0xFF);
        out += char(ch.unicode() >> 8);
    }
    return out;
}

const FileRow fileRows[] = {
    {"Utf8", QByteArray("\"a\" = \"\xC2\xBD\";\n"), {{"a", "½"}}, 0},
    {"Utf8WithBom", QByteArray("\xEF\xBB\xBF\"a\" = \"1\";\r\n\"b\" = \"2\";\r\n"), {{"a", "1"}, {"b", "2"}}, 0},
    {"Utf16WithBom", utf16le(u8("\"a\" = \"é\";\n")), {{"a", "é"}}, 0},
    {"InvalidUtf8Counts", QByteArray("\"a\" = \"\xC3\x28\";\n"), {{"a", "\xEF\xBF\xBD("}}, 1},
};

class TextsFile : public ::testing::TestWithParam<FileRow> {};

TEST_P(TextsFile, DecodesAndParses)
{
    const FileRow& row = GetParam();
    fetemark::test::TempDir dir;
    const QString path = dir.file(QStringLiteral("T.strings"));
    ASSERT_TRUE(fetemark::test::writeFile(path, row.bytes));
    int errors = 0;
    EXPECT_EQ(toMap(Texts::loadStringsFile(path, &errors)), row.expected);
    EXPECT_EQ(errors, row.errors);
}

INSTANTIATE_TEST_SUITE_P(TextsFile, TextsFile, ::testing::ValuesIn(fileRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextsFileMissing, IsAnEmptyTableWithoutError)
{
    fetemark::test::TempDir dir;
    int errors = 0;
    EXPECT_TRUE(Texts::loadStringsFile(dir.file(QStringLiteral("none.strings")), &errors).isEmpty());
    EXPECT_EQ(errors, 0);
}

// A sample written as a translator would, kept in the test data folder.
TEST(TextsFileSample, ReadsTheSampleTable)
{
    int errors = 0;
    const auto table = Texts::loadStringsFile(QStringLiteral(FETEMARK_TEST_DATA_DIR "/strings/sample.strings"), &errors);
    EXPECT_EQ(errors, 1); // the entry marked as broken in the file
    EXPECT_EQ(toMap(table), (Entries{
                                {"UpdatingNotifications", "Benachrichtigungen werden aktualisiert…"},
                                {"TurnsAge", "%1$@ wird %2$d"},
                                {"Quote", "Sie sagte \"Alles Gute\"\n"},
                                {"Half", "½ Geburtstag"},
                                {"Repeated", "zweite Fassung"},
                                {"AfterBroken", "noch da"},
                            }));
}

struct PathRow {
    const char* name;
    const char* language;
    const char* table;
    const char* expected;
};

void PrintTo(const PathRow& row, std::ostream* os) { *os << row.name; }

const PathRow pathRows[] = {
    {"English", "EN", "Localizable", ":/resources/en.lproj/Localizable.strings"},
    {"German", "DE", "Localizable", ":/resources/de.lproj/Localizable.strings"},
    {"AlreadyLowerCase", "fr", "InfoPlist", ":/resources/fr.lproj/InfoPlist.strings"},
    {"LanguageWithSlash", "../x", "Localizable", ""},
    {"LanguageWithDots", "en.", "Localizable", ""},
    {"EmptyLanguage", "", "Localizable", ""},
    {"TableWithSlash", "EN", "../secret", ""},
    {"TableDotDot", "EN", "..", ""},
    {"EmptyTable", "EN", "", ""},
};

class TextsPath : public ::testing::TestWithParam<PathRow> {};

TEST_P(TextsPath, StaysInsideTheRoot)
{
    const PathRow& row = GetParam();
    EXPECT_EQ(Texts::tablePath(QStringLiteral(":/resources"), u8(row.language), u8(row.table)).toStdString(),
              std::string(row.expected));
}

INSTANTIATE_TEST_SUITE_P(TextsPath, TextsPath, ::testing::ValuesIn(pathRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A resource root with an English and a German table, as the app ships them.
class TextsLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir root(m_dir.path());
        ASSERT_TRUE(root.mkpath(QStringLiteral("en.lproj")));
        ASSERT_TRUE(root.mkpath(QStringLiteral("de.lproj")));
        ASSERT_TRUE(fetemark::test::writeFile(m_dir.file(QStringLiteral("en.lproj/Localizable.strings")),
                                              "\"Birthday\" = \"Birthday\";\n"
                                              "\"Other\" = \"Other (table)\";\n"
                                              "\"OnlyInEnglishTable\" = \"from the English table\";\n"
                                              "\"Turns\" = \"%@ turns %d (table)\";\n"
                                              "\"BrokenInEnglishTable\" = \"%@ turns %\";\n"
                                              "\"Empty\" = \"\";\n"));
        ASSERT_TRUE(fetemark::test::writeFile(m_dir.file(QStringLiteral("de.lproj/Localizable.strings")),
                                              "\"Birthday\" = \"Geburtstag\";\n"
                                              "\"Turns\" = \"%@ wird %d\";\n"
                                              "\"TurnsReordered\" = \"%2$d Jahre: %1$@\";\n"
                                              "\"TurnsSwapped\" = \"%d wird %@\";\n"
                                              "\"TurnsTooMany\" = \"%@ wird %d am %@\";\n"
                                              "\"Empty\" = \"\";\n"));
        ASSERT_TRUE(fetemark::test::writeFile(m_dir.file(QStringLiteral("de.lproj/Other.strings")),
                                              "\"Birthday\" = \"Wiegenfest\";\n"));
    }

    QString root() const { return m_dir.path(); }

private:
    fetemark::test::TempDir m_dir;
};

struct LookupRow {
    const char* name;
    const char* language;
    const char* key;
    const char* englishDefault;
    const char* table;
    const char* expected;
};

void PrintTo(const LookupRow& row, std::ostream* os) { *os << row.name; }

const LookupRow lookupRows[] = {
    {"GermanTranslation", "DE", "Birthday", "Birthday", "Localizable", "Geburtstag"},
    {"GermanMissingUsesDefault", "DE", "Anniversary", "Anniversary", "Localizable", "Anniversary"},
    {"GermanMissingNoDefaultUsesEnglishTable", "DE", "OnlyInEnglishTable", "", "Localizable",
     "from the English table"},
    {"GermanEmptyTextIsUntranslated", "DE", "Empty", "Default", "Localizable", "Default"},
    {"GermanNothingGivesKey", "DE", "Nowhere", "", "Localizable", "Nowhere"},
    {"GermanOtherTable", "DE", "Birthday", "Birthday", "Other", "Wiegenfest"},
    {"GermanMissingTableFile", "DE", "Birthday", "Birthday", "NoSuchTable", "Birthday"},
    {"EnglishTableBeatsDefault", "EN", "Other", "Other", "Localizable", "Other (table)"},
    {"EnglishMissingUsesDefault", "EN", "Holiday", "Holiday", "Localizable", "Holiday"},
    {"EnglishNothingGivesKey", "EN", "Nowhere", "", "Localizable", "Nowhere"},
    {"LowerCaseLanguage", "de", "Birthday", "Birthday", "Localizable", "Geburtstag"},
    {"LanguageWithoutFolder", "FR", "Birthday", "Birthday (default)", "Localizable", "Birthday (default)"},
    {"LanguageWithoutFolderFallsToEnglishTable", "FR", "OnlyInEnglishTable", "", "Localizable",
     "from the English table"},
    {"LanguageLeavingRootIgnored", "../de.lproj/..", "Birthday", "Birthday", "Localizable", "Birthday"},
};

class TextsText : public TextsLookup, public ::testing::WithParamInterface<LookupRow> {};

TEST_P(TextsText, FollowsTheFallbackChain)
{
    const LookupRow& row = GetParam();
    const Texts texts(u8(row.language), root());
    EXPECT_EQ(texts.text(u8(row.key), u8(row.englishDefault), u8(row.table)).toStdString(), std::string(row.expected));
}

INSTANTIATE_TEST_SUITE_P(TextsText, TextsText, ::testing::ValuesIn(lookupRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct FormatRow {
    const char* name;
    const char* language;
    const char* key;
    const char* englishDefault;
    Args args;
    const char* expected;
};

void PrintTo(const FormatRow& row, std::ostream* os) { *os << row.name; }

Arg str(const char* s) { return Arg(QString::fromUtf8(s)); }
Arg num(std::int64_t v) { return Arg(v); }

const FormatRow formatRows[] = {
    {"GermanFits", "DE", "Turns", "%@ turns %d", {str("Anna"), num(30)}, "Anna wird 30"},
    {"GermanReordered", "DE", "TurnsReordered", "%@ turns %d", {str("Anna"), num(30)}, "30 Jahre: Anna"},
    {"GermanSwappedFallsToEnglish", "DE", "TurnsSwapped", "%@ turns %d", {str("Anna"), num(30)}, "Anna turns 30"},
    {"GermanTooManyFallsToEnglish", "DE", "TurnsTooMany", "%@ turns %d", {str("Anna"), num(30)}, "Anna turns 30"},
    {"GermanMissingUsesDefault", "DE", "Age", "%@ is %d", {str("Anna"), num(30)}, "Anna is 30"},
    {"GermanBadAndDefaultBadGivesKey", "DE", "TurnsSwapped", "%d turns %@", {str("Anna"), num(30)}, "TurnsSwapped"},
    {"ArgumentsFitNothingGivesKey", "DE", "Turns", "%@ turns %d", {num(30)}, "Turns"},
    {"BadDefaultFallsToEnglishTable", "DE", "Other", "%", {}, "Other (table)"},
    {"BadDefaultNoTableGivesKey", "DE", "Nowhere", "%@ %", {str("x")}, "Nowhere"},
    {"NoArgumentsPlainText", "DE", "Birthday", "Birthday", {}, "Geburtstag"},
    {"EnglishTableUsed", "EN", "Turns", "%@ turns %d", {str("Anna"), num(30)}, "Anna turns 30 (table)"},
    {"EnglishBrokenTableUsesDefault", "EN", "BrokenInEnglishTable", "%@ turns %d", {str("Anna"), num(3)},
     "Anna turns 3"},
    {"EnglishBadDefaultGivesKey", "EN", "Missing", "%@ turns %d", {num(3), str("Anna")}, "Missing"},
    {"ArgumentsAreNotReinterpreted", "DE", "Turns", "", {str("%d %@ %n"), num(1)}, "%d %@ %n wird 1"},
};

class TextsFormat : public TextsLookup, public ::testing::WithParamInterface<FormatRow> {};

TEST_P(TextsFormat, UsesTheFirstTextThatFits)
{
    const FormatRow& row = GetParam();
    const Texts texts(u8(row.language), root());
    EXPECT_EQ(texts.format(u8(row.key), u8(row.englishDefault), row.args).toStdString(), std::string(row.expected));
}

INSTANTIATE_TEST_SUITE_P(TextsFormat, TextsFormat, ::testing::ValuesIn(formatRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Tables are read once: a later change to the file does not reach an existing object,
// but a new object sees it.
TEST_F(TextsLookup, CachesTablesPerObject)
{
    const Texts texts(QStringLiteral("DE"), root());
    ASSERT_EQ(texts.text(QStringLiteral("Birthday")), QStringLiteral("Geburtstag"));
    ASSERT_TRUE(fetemark::test::writeFile(root() + QStringLiteral("/de.lproj/Localizable.strings"),
                                          "\"Birthday\" = \"Jahrestag der Geburt\";\n"));
    EXPECT_EQ(texts.text(QStringLiteral("Birthday")), QStringLiteral("Geburtstag"));
    EXPECT_EQ(Texts(QStringLiteral("DE"), root()).text(QStringLiteral("Birthday")),
              QStringLiteral("Jahrestag der Geburt"));
}

TEST(TextsBuiltIn, EnglishIsTheDefaultResourceRoot)
{
    const Texts texts(QStringLiteral("EN"));
    EXPECT_EQ(texts.language(), QStringLiteral("EN"));
    EXPECT_EQ(texts.text(QStringLiteral("UpdatingNotifications"), QStringLiteral("x")),
              QStringLiteral("Updating Notifications..."));
    EXPECT_EQ(texts.text(QStringLiteral("Label_HomeFAX")), QStringLiteral("home fax"));
}

} // namespace
