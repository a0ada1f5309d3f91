// The string tables shipped in the resources: every table reads without a bad entry, and
// a translation takes the same arguments as the English text, or it silently falls back.
#include "core/text/TextFormat.h"
#include "core/text/Texts.h"
#include "support/TestSupport.h"

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

// Keys whose translation takes other arguments than the English text, or cannot be read.
std::vector<std::string> signatureMismatches(
    const QHash<QString, QString>& english, const QHash<QString, QString>& translated)
{
    std::vector<std::string> out;
    for (auto it = translated.begin(); it != translated.end(); ++it) {
        const auto englishText = english.constFind(it.key());
        if (englishText == english.constEnd())
            continue;
        const auto got = TextFormat::signature(it.value());
        if (!got || got != TextFormat::signature(*englishText))
            out.push_back(it.key().toStdString());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The check must catch what it is there for.
struct MismatchRow {
    const char* name;
    const char* english;
    const char* translated;
    std::vector<std::string> expected;
};

const MismatchRow mismatchRows[] = {
    {"ReorderedByPosition", "\"k\" = \"%@ turns %d\";", "\"k\" = \"%2$d: %1$@\";", {}},
    {"OnlyInTranslation", "\"a\" = \"x\";", "\"k\" = \"%d\";", {}},
    {"SwappedKinds", "\"k\" = \"%@ turns %d\";", "\"k\" = \"%d wird %@\";", {"k"}},
    {"MissingArgument", "\"k\" = \"%@ turns %d\";", "\"k\" = \"%@ wird älter\";", {"k"}},
    {"ExtraArgument", "\"k\" = \"Birthday\";", "\"k\" = \"%@\";", {"k"}},
    {"MalformedTranslation", "\"k\" = \"100%%\";", "\"k\" = \"100%\";", {"k"}},
    {"OnlyBadKeysListed", "\"a\" = \"%d\";\n\"b\" = \"%d\";", "\"a\" = \"%d\";\n\"b\" = \"%@\";",
        {"b"}},
};

class StringTablesCheck : public ::testing::TestWithParam<MismatchRow> { };

TEST_P(StringTablesCheck, FindsTranslationsWithOtherArguments)
{
    const MismatchRow& row = GetParam();
    EXPECT_EQ(signatureMismatches(Texts::parseStrings(QString::fromUtf8(row.english)),
                  Texts::parseStrings(QString::fromUtf8(row.translated))),
        row.expected);
}

INSTANTIATE_TEST_SUITE_P(StringTablesCheck, StringTablesCheck, ::testing::ValuesIn(mismatchRows),
    fetemark::test::RowName());

TEST(StringTables, EveryTableReadsAndTakesTheEnglishArguments)
{
    const QRegularExpression languageName(QStringLiteral("^[a-z]{2}$"));
    QDirIterator it(Root, {QStringLiteral("*.strings")}, QDir::Files, QDirIterator::Subdirectories);
    int tables = 0;
    for (; it.hasNext(); ++tables) {
        const QFileInfo info(it.next());
        SCOPED_TRACE(info.filePath().toStdString());
        const QString language = info.dir().dirName().chopped(int(QStringLiteral(".lproj").size()));
        const QString tableName = info.completeBaseName();
        EXPECT_TRUE(languageName.match(language).hasMatch()) << "folder is not <two letters>.lproj";
        EXPECT_EQ(Texts::tablePath(Root, language, tableName), info.filePath());
        int errors = 0;
        const auto table = Texts::loadStringsFile(info.filePath(), &errors);
        EXPECT_EQ(errors, 0);
        EXPECT_FALSE(table.isEmpty());
        for (auto entry = table.begin(); entry != table.end(); ++entry)
            EXPECT_FALSE(entry.value().isEmpty())
                << entry.key().toStdString() << " would show as the English default";
        // Against itself, the English table lists its malformed formats.
        const auto englishTable =
            Texts::loadStringsFile(Texts::tablePath(Root, QStringLiteral("en"), tableName));
        EXPECT_EQ(signatureMismatches(englishTable, table), std::vector<std::string> {});
        // Every key of the English table is translated: a missing one shows English text
        // in the middle of another language.
        QStringList missing;
        for (auto entry = englishTable.begin(); entry != englishTable.end(); ++entry) {
            if (!table.contains(entry.key()))
                missing << entry.key();
        }
        missing.sort();
        EXPECT_EQ(missing.join(u' ').toStdString(), "");
    }
    EXPECT_GT(tables, 1) << "no tables found under " << Root.toStdString();
}

// Texts the app asks for by key; nullptr expects a full sentence that mentions Wi-Fi only when told.
struct EntryRow {
    const char* key;
    const char* expected;
    bool mentionsWiFi = false;
};

const EntryRow entryRows[] = {
    {"Birthday", "Birthday"},
    {"ServerConnectionError", nullptr, false},
    {"ServerConnectionErrorWiFiOnly", nullptr, true},
};

class StringTablesEnglish : public ::testing::TestWithParam<EntryRow> { };

// Through the built-in resources, as the app asks; a missing entry gives the default.
TEST_P(StringTablesEnglish, HoldsTheText)
{
    const EntryRow& row = GetParam();
    const QString text =
        Texts(QStringLiteral("EN")).text(QString::fromLatin1(row.key), QStringLiteral("<missing>"));
    if (row.expected) {
        EXPECT_EQ(text.toStdString(), std::string(row.expected));
    } else {
        EXPECT_GT(text.size(), 40) << "expected a full sentence";
        EXPECT_TRUE(text.endsWith(u'.'));
        EXPECT_EQ(text.contains(QStringLiteral("Wi-Fi")), row.mentionsWiFi) << text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(StringTablesEnglish, StringTablesEnglish, ::testing::ValuesIn(entryRows),
    [](const auto& info) { return fetemark::test::rowName(info.param.key); });

} // namespace
