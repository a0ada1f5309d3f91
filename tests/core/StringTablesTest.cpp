// Checks the string tables shipped in the resources: every table must read without a
// single bad entry, English formats must be well formed, and a translation must take the
// same arguments as the English text it replaces, or it would silently fall back.
#include "core/TextFormat.h"
#include "core/Texts.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <string>
#include <vector>

using fetemark::Texts;
namespace TextFormat = fetemark::TextFormat;

namespace {

const QString Root = QStringLiteral(":/resources");

struct TableFile {
    QString path;
    QString language; // "en"
    QString table;    // "Localizable"
};

std::vector<TableFile> shippedTables()
{
    std::vector<TableFile> out;
    QDirIterator it(Root, {QStringLiteral("*.strings")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QString language = info.dir().dirName();
        language.chop(int(QStringLiteral(".lproj").size()));
        out.push_back({info.filePath(), language, info.completeBaseName()});
    }
    return out;
}

// Keys whose translation takes other arguments than the English text, or cannot be read.
std::vector<std::string> signatureMismatches(const QHash<QString, QString>& english,
                                             const QHash<QString, QString>& translated)
{
    std::vector<std::string> out;
    for (auto it = translated.begin(); it != translated.end(); ++it) {
        const auto englishText = english.constFind(it.key());
        if (englishText == english.constEnd())
            continue;
        const auto want = TextFormat::signature(*englishText);
        const auto got = TextFormat::signature(it.value());
        if (!got || got != want)
            out.push_back(it.key().toStdString());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The check itself must catch what it is for, even while only English ships.
struct MismatchRow {
    const char* name;
    const char* english;
    const char* translated;
    std::vector<std::string> expected;
};

void PrintTo(const MismatchRow& row, std::ostream* os) { *os << row.name; }

const MismatchRow mismatchRows[] = {
    {"SameKinds", "\"k\" = \"%@ turns %d\";", "\"k\" = \"%@ wird %d\";", {}},
    {"ReorderedByPosition", "\"k\" = \"%@ turns %d\";", "\"k\" = \"%2$d: %1$@\";", {}},
    {"PlainTexts", "\"k\" = \"Birthday\";", "\"k\" = \"Geburtstag\";", {}},
    {"OnlyInTranslation", "\"a\" = \"x\";", "\"k\" = \"%d\";", {}},
    {"SwappedKinds", "\"k\" = \"%@ turns %d\";", "\"k\" = \"%d wird %@\";", {"k"}},
    {"MissingArgument", "\"k\" = \"%@ turns %d\";", "\"k\" = \"%@ wird älter\";", {"k"}},
    {"ExtraArgument", "\"k\" = \"Birthday\";", "\"k\" = \"%@\";", {"k"}},
    {"RealForInteger", "\"k\" = \"%d days\";", "\"k\" = \"%.0f Tage\";", {"k"}},
    {"MalformedTranslation", "\"k\" = \"100%%\";", "\"k\" = \"100%\";", {"k"}},
    {"OnlyBadKeysListed", "\"a\" = \"%d\";\n\"b\" = \"%d\";", "\"a\" = \"%d\";\n\"b\" = \"%@\";", {"b"}},
};

class StringTablesCheck : public ::testing::TestWithParam<MismatchRow> {};

TEST_P(StringTablesCheck, FindsTranslationsWithOtherArguments)
{
    const MismatchRow& row = GetParam();
    const auto english = Texts::parseStrings(QString::fromUtf8(row.english));
    const auto translated = Texts::parseStrings(QString::fromUtf8(row.translated));
    EXPECT_EQ(signatureMismatches(english, translated), row.expected);
}

INSTANTIATE_TEST_SUITE_P(StringTablesCheck, StringTablesCheck, ::testing::ValuesIn(mismatchRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StringTables, EnglishDefaultTableIsBuiltIn)
{
    bool found = false;
    for (const TableFile& file : shippedTables())
        found = found || (file.language == QStringLiteral("en") && file.table == QString::fromLatin1(Texts::DefaultTable));
    EXPECT_TRUE(found) << "no " << Texts::DefaultTable << ".strings under :/resources/en.lproj";
}

TEST(StringTables, EveryTableReadsWithoutErrors)
{
    const QRegularExpression languageName(QStringLiteral("^[a-z]{2}$"));
    const auto files = shippedTables();
    ASSERT_FALSE(files.empty());
    for (const TableFile& file : files) {
        SCOPED_TRACE(file.path.toStdString());
        EXPECT_TRUE(languageName.match(file.language).hasMatch()) << "folder is not <two letters>.lproj";
        EXPECT_EQ(Texts::tablePath(Root, file.language, file.table), file.path);
        int errors = 0;
        const auto table = Texts::loadStringsFile(file.path, &errors);
        EXPECT_EQ(errors, 0);
        EXPECT_FALSE(table.isEmpty());
        for (auto it = table.begin(); it != table.end(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            EXPECT_FALSE(it.key().isEmpty());
            EXPECT_FALSE(it.value().isEmpty()) << "an empty text would show as the English default";
        }
    }
}

// A '%' in an English text makes it a format; a malformed one would make every lookup
// through format() fall back to the key.
TEST(StringTables, EnglishFormatsAreWellFormed)
{
    for (const TableFile& file : shippedTables()) {
        if (file.language != QStringLiteral("en"))
            continue;
        SCOPED_TRACE(file.path.toStdString());
        const auto table = Texts::loadStringsFile(file.path);
        for (auto it = table.begin(); it != table.end(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            EXPECT_TRUE(TextFormat::signature(it.value()).has_value()) << it.value().toStdString();
        }
    }
}

TEST(StringTables, TranslationsTakeTheEnglishArguments)
{
    for (const TableFile& file : shippedTables()) {
        if (file.language == QStringLiteral("en"))
            continue;
        SCOPED_TRACE(file.path.toStdString());
        const auto english = Texts::loadStringsFile(Texts::tablePath(Root, QStringLiteral("en"), file.table));
        const auto translated = Texts::loadStringsFile(file.path);
        EXPECT_EQ(signatureMismatches(english, translated), std::vector<std::string>{});
    }
}

// The texts the rest of the app asks for by key.
struct EntryRow {
    const char* key;
    const char* expected; // nullptr: any non-empty sentence
};

void PrintTo(const EntryRow& row, std::ostream* os) { *os << row.key; }

const EntryRow entryRows[] = {
    {"UpdatingNotifications", "Updating Notifications..."},
    {"ServerConnectionError", nullptr},
    {"ServerConnectionErrorWiFiOnly", nullptr},
    {"OK", "OK"},
    {"Birthday", "Birthday"},
    {"Anniversary", "Anniversary"},
    {"Other", "Other"},
    {"Holiday", "Holiday"},
    {"lowercase_date", "date"},
    {"Label_Anniversary", "anniversary"},
    {"Label_Other", "other"},
    {"Label_Home", "home"},
    {"Label_Work", "work"},
    {"Label_Mobile", "mobile"},
    {"Label_Main", "main"},
    {"Label_HomeFAX", "home fax"},
    {"Label_WorkFAX", "work fax"},
    {"Label_OtherFAX", "other fax"},
    {"Label_Pager", "pager"},
    {"Label_iPhone", "iPhone"},
    {"Label_HomePage", "home page"},
    {"Label_Assistant", "assistant"},
    {"Label_Father", "father"},
    {"Label_Mother", "mother"},
    {"Label_Parent", "parent"},
    {"Label_Brother", "brother"},
    {"Label_Sister", "sister"},
    {"Label_Child", "child"},
    {"Label_Friend", "friend"},
    {"Label_Spouse", "spouse"},
    {"Label_Partner", "partner"},
    {"Label_Manager", "manager"},
    {"Label_School", "school"},
};

class StringTablesEnglish : public ::testing::TestWithParam<EntryRow> {};

TEST_P(StringTablesEnglish, HoldsTheText)
{
    const EntryRow& row = GetParam();
    const auto table = Texts::loadStringsFile(Texts::tablePath(Root, QStringLiteral("EN"),
                                                               QString::fromLatin1(Texts::DefaultTable)));
    const auto it = table.constFind(QString::fromLatin1(row.key));
    ASSERT_NE(it, table.constEnd()) << row.key << " is missing";
    if (row.expected) {
        EXPECT_EQ(it->toStdString(), std::string(row.expected));
    } else {
        EXPECT_GT(it->size(), 40) << "expected a full sentence";
        EXPECT_TRUE(it->endsWith(u'.'));
    }
}

INSTANTIATE_TEST_SUITE_P(StringTablesEnglish, StringTablesEnglish, ::testing::ValuesIn(entryRows),
                         [](const auto& info) { return std::string(info.param.key); });

// The Wi-Fi variant must tell the user why, or it reads like the plain error.
TEST(StringTables, WiFiOnlyErrorMentionsWiFi)
{
    const Texts texts(QStringLiteral("EN"));
    const QString plain = texts.text(QStringLiteral("ServerConnectionError"));
    const QString wifi = texts.text(QStringLiteral("ServerConnectionErrorWiFiOnly"));
    EXPECT_NE(plain, wifi);
    EXPECT_TRUE(wifi.contains(QStringLiteral("Wi-Fi"))) << wifi.toStdString();
    EXPECT_FALSE(plain.contains(QStringLiteral("Wi-Fi"))) << plain.toStdString();
}

} // namespace
