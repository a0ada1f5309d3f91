#include "core/Settings.h"

#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace fetemark;
using fetemark::test::TempDir;

namespace {

// A device that accepts the open but fails every write, like a full disk.
class FailingDevice : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override
    {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }
};

QString prefs(const TempDir& dir) { return dir.file(QStringLiteral("Preferences.plist")); }

} // namespace

TEST(Settings, StoredValuesOfEveryKindSurviveARestart)
{
    TempDir dir;
    const QDateTime expiry = test::utc("2031-05-06T07:08:09Z");
    const QVariantMap subscriptions{{QStringLiteral("US"), QVariantList{QStringLiteral("July4"), QStringLiteral("Thanksgiving")}},
                                    {QStringLiteral("DE"), QVariantMap{{QStringLiteral("count"), qint64(2)}}}};
    {
        Settings settings(prefs(dir));
        ASSERT_TRUE(settings.load().ok);
        settings.setValue(QStringLiteral("showcount"), false);
        settings.setValue(QStringLiteral("198B"), qint64(-1));
        settings.setValue(QStringLiteral("upcomingwindow"), qint64(21));
        settings.setValue(QStringLiteral("9878"), QStringLiteral("zoë@example.org ✓"));
        settings.setValue(QStringLiteral("FBExpirationDate"), expiry);
        settings.setValue(QStringLiteral("65B1"), subscriptions);
        QString error;
        ASSERT_TRUE(settings.synchronize(&error)) << error.toStdString();
    }
    Settings reread(prefs(dir));
    ASSERT_TRUE(reread.load().ok);
    EXPECT_FALSE(reread.boolValue(QStringLiteral("showcount")));
    EXPECT_EQ(reread.integerValue(QStringLiteral("198B")), -1);
    EXPECT_EQ(reread.integerValue(QStringLiteral("upcomingwindow")), 21);
    EXPECT_EQ(reread.stringValue(QStringLiteral("9878")), QStringLiteral("zoë@example.org ✓"));
    EXPECT_EQ(reread.dateValue(QStringLiteral("FBExpirationDate")), expiry);
    EXPECT_EQ(reread.dictionaryValue(QStringLiteral("65B1")), subscriptions);
}

TEST(Settings, RegistrationNeverOverwritesAStoredValue)
{
    TempDir dir;
    Settings settings(prefs(dir));
    settings.load();
    settings.setValue(QStringLiteral("alerttype"), qint64(0));
    settings.registerDefaults({{QStringLiteral("alerttype"), qint64(3)}, {QStringLiteral("showage"), true}});
    EXPECT_EQ(settings.integerValue(QStringLiteral("alerttype")), 0);
    EXPECT_TRUE(settings.boolValue(QStringLiteral("showage")));
    EXPECT_FALSE(settings.contains(QStringLiteral("showage")));
    // A platform value sits between the two: below the user's, above the defaults.
    settings.setPlatformValue(QStringLiteral("AppleLanguages"), QStringList{QStringLiteral("de")});
    EXPECT_EQ(settings.stringListValue(QStringLiteral("AppleLanguages")), QStringList{QStringLiteral("de")});
}

TEST(Settings, UnchangedSettingsAreNotRewritten)
{
    TempDir dir;
    Settings settings(prefs(dir));
    settings.load();
    ASSERT_TRUE(settings.synchronize());
    EXPECT_FALSE(QFile::exists(prefs(dir))) << "nothing stored, nothing to write";
    settings.setValue(QStringLiteral("showage"), false);
    ASSERT_TRUE(settings.synchronize());
    ASSERT_TRUE(QFile::exists(prefs(dir)));
    QFile::remove(prefs(dir));
    settings.setValue(QStringLiteral("showage"), false);
    ASSERT_TRUE(settings.synchronize());
    EXPECT_FALSE(QFile::exists(prefs(dir))) << "setting the same value again is no change";
}

struct DamagedFile {
    const char* name;
    QByteArray bytes;
};

class SettingsDamagedFile : public ::testing::TestWithParam<DamagedFile> {};

TEST_P(SettingsDamagedFile, IsMovedAsideAndTheDefaultsApply)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(prefs(dir), GetParam().bytes));
    Settings settings(prefs(dir));
    settings.registerDefaults({{QStringLiteral("upcomingwindow"), qint64(14)}});

    const Settings::LoadResult result = settings.load();

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.warning.contains(prefs(dir))) << result.warning.toStdString();
    EXPECT_FALSE(QFile::exists(prefs(dir)));
    ASSERT_FALSE(result.movedTo.isEmpty());
    EXPECT_EQ(test::readFile(result.movedTo), GetParam().bytes) << "the damaged file is kept byte for byte";
    EXPECT_EQ(settings.integerValue(QStringLiteral("upcomingwindow")), 14);

    // Saving again makes a fresh file and leaves the damaged one alone.
    settings.setValue(QStringLiteral("showage"), false);
    ASSERT_TRUE(settings.synchronize());
    EXPECT_TRUE(QFile::exists(prefs(dir)));
    EXPECT_EQ(test::readFile(result.movedTo), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsDamagedFile,
    ::testing::Values(
        DamagedFile{"Garbage", QByteArray("this is not a property list\n")},
        DamagedFile{"Empty", QByteArray()},
        DamagedFile{"TruncatedXml",
                    QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>showage</key><tr")},
        DamagedFile{"BinaryHeaderOnly", QByteArray("bplist00\x01\x02\x03", 11)},
        DamagedFile{"RootIsAnArray",
                    QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><true/></array></plist>")},
        DamagedFile{"RootIsAString",
                    QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><string>x</string></plist>")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, TwoDamagedFilesInARowAreBothKept)
{
    TempDir dir;
    QStringList moved;
    for (const QByteArray& bytes : {QByteArray("first"), QByteArray("second")}) {
        ASSERT_TRUE(test::writeFile(prefs(dir), bytes));
        Settings settings(prefs(dir));
        moved << settings.load().movedTo;
    }
    ASSERT_EQ(moved.size(), 2);
    EXPECT_NE(moved[0], moved[1]);
    EXPECT_EQ(test::readFile(moved[0]), QByteArray("first"));
    EXPECT_EQ(test::readFile(moved[1]), QByteArray("second"));
}

TEST(Settings, AFailedWriteIsReportedAndKeepsThePreviousFile)
{
    TempDir dir;
    Settings settings(prefs(dir));
    settings.load();
    settings.setValue(QStringLiteral("showage"), false);
    ASSERT_TRUE(settings.synchronize());
    const QByteArray before = test::readFile(prefs(dir));

    // A value a property list cannot hold makes the whole write fail before anything
    // reaches the disk.
    settings.setValue(QStringLiteral("FBExpirationDate"), test::utc("1850-01-01T00:00:00Z"));
    QString error;
    EXPECT_FALSE(settings.synchronize(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(test::readFile(prefs(dir)), before);
}

TEST(Settings, AnUnwritableLocationIsReported)
{
    TempDir dir;
    // The settings file's folder is a plain file, which even root cannot write into.
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("blocker")), "x"));
    Settings settings(dir.file(QStringLiteral("blocker/Preferences.plist")));
    settings.load();
    settings.setValue(QStringLiteral("showage"), false);
    QString error;
    EXPECT_FALSE(settings.synchronize(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("blocker"))) << error.toStdString();
    // Still dirty: the next attempt tries again.
    QFile::remove(dir.file(QStringLiteral("blocker")));
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("blocker"))));
    EXPECT_TRUE(settings.synchronize(&error)) << error.toStdString();
}

TEST(Settings, WritingToAFailingDeviceReportsTheDeviceError)
{
    FailingDevice device;
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    QString error;
    EXPECT_FALSE(Settings::writeTo(device, {{QStringLiteral("showage"), true}}, &error));
    EXPECT_EQ(error, QStringLiteral("No space left on device"));
}

TEST(Settings, LooselyTypedValuesReadAsThePlatformReadsThem)
{
    struct Row {
        const char* name;
        QVariant value;
        bool asBool;
        qint64 asInteger;
    };
    const Row rows[] = {
        {"true", QVariant(true), true, 1},
        {"false", QVariant(false), false, 0},
        {"one", QVariant(qint64(1)), true, 1},
        {"zero", QVariant(qint64(0)), false, 0},
        {"negative", QVariant(qint64(-1)), true, -1},
        {"YES text", QVariant(QStringLiteral("YES")), true, 0},
        {"yes lower", QVariant(QStringLiteral("yes")), true, 0},
        {"number text", QVariant(QStringLiteral(" 42 ")), true, 42},
        {"NO text", QVariant(QStringLiteral("NO")), false, 0},
        {"real", QVariant(2.7), true, 2},
        {"absent", QVariant(), false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Settings::toBool(row.value), row.asBool);
        EXPECT_EQ(Settings::toInteger(row.value), row.asInteger);
    }
}
