#include "core/settings/Settings.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::TempDir;

namespace {

// A device that accepts the open but fails every write, like a full disk.
class FailingDevice : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override
    {
        setErrorString(u"No space left on device"_s);
        return -1;
    }
};

QString prefs(const TempDir& dir)
{
    return dir.file(u"Preferences.plist"_s);
}

} // namespace

TEST(Settings, StoredValuesOfEveryKindSurviveARestart)
{
    TempDir dir;
    const QVariantMap values {{u"showcount"_s, false}, {u"198B"_s, qint64(-1)},
        {u"9878"_s, u"zoë@example.org ✓"_s},
        {u"FBExpirationDate"_s, test::utc("2031-05-06T07:08:09Z")},
        {u"65B1"_s,
            QVariantMap {{u"US"_s, QVariantList {u"July4"_s}},
                {u"DE"_s, QVariantMap {{u"count"_s, qint64(2)}}}}}};
    {
        Settings settings(prefs(dir));
        ASSERT_TRUE(settings.load().ok);
        for (auto it = values.begin(); it != values.end(); ++it)
            settings.setValue(it.key(), it.value());
        QString error;
        ASSERT_TRUE(settings.synchronize(&error)) << error.toStdString();
    }
    Settings reread(prefs(dir));
    ASSERT_TRUE(reread.load().ok);
    EXPECT_EQ(reread.storedValues(), values);
}

TEST(Settings, StoredBeatsPlatformBeatsRegistered)
{
    Settings settings(u"never-written.plist"_s);
    settings.setValue(u"alerttype"_s, qint64(0));
    settings.registerDefaults({{u"alerttype"_s, qint64(3)}, {u"showage"_s, true},
        {u"AppleLanguages"_s, QStringList {u"en"_s}}});
    EXPECT_EQ(settings.integerValue(u"alerttype"_s), 0);
    EXPECT_TRUE(settings.boolValue(u"showage"_s));
    EXPECT_FALSE(settings.contains(u"showage"_s));
    settings.setPlatformValue(u"AppleLanguages"_s, QStringList {u"de"_s});
    EXPECT_EQ(settings.stringListValue(u"AppleLanguages"_s), QStringList {u"de"_s});
}

TEST(Settings, UnchangedSettingsAreNotRewritten)
{
    TempDir dir;
    Settings settings(prefs(dir));
    settings.load();
    ASSERT_TRUE(settings.synchronize());
    EXPECT_FALSE(QFile::exists(prefs(dir))) << "nothing stored, nothing to write";
    settings.setValue(u"showage"_s, false);
    ASSERT_TRUE(settings.synchronize());
    ASSERT_TRUE(QFile::remove(prefs(dir)));
    settings.setValue(u"showage"_s, false);
    ASSERT_TRUE(settings.synchronize());
    EXPECT_FALSE(QFile::exists(prefs(dir))) << "setting the same value again is no change";
}

struct DamagedFile {
    const char* name;
    QByteArray bytes;
};

class SettingsDamagedFile : public ::testing::TestWithParam<DamagedFile> { };

TEST_P(SettingsDamagedFile, IsMovedAsideAndTheDefaultsApply)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(prefs(dir), GetParam().bytes));
    Settings settings(prefs(dir));
    settings.registerDefaults({{u"upcomingwindow"_s, qint64(14)}});
    const Settings::LoadResult result = settings.load();
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.warning.contains(prefs(dir))) << result.warning.toStdString();
    EXPECT_EQ(settings.integerValue(u"upcomingwindow"_s), 14);
    EXPECT_FALSE(QFile::exists(prefs(dir)));
    // A fresh file is written later; the damaged one stays byte for byte.
    settings.setValue(u"showage"_s, false);
    ASSERT_TRUE(settings.synchronize());
    EXPECT_TRUE(QFile::exists(prefs(dir)));
    ASSERT_FALSE(result.movedTo.isEmpty());
    EXPECT_EQ(test::readFile(result.movedTo), GetParam().bytes);
    // The same damage again, within the same second, is kept beside the first.
    ASSERT_TRUE(test::writeFile(prefs(dir), GetParam().bytes + "again"));
    const QString second = Settings(prefs(dir)).load().movedTo;
    EXPECT_EQ(test::readFile(second), GetParam().bytes + "again");
    EXPECT_EQ(test::readFile(result.movedTo), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Settings, SettingsDamagedFile,
    ::testing::Values(DamagedFile {"Garbage", QByteArray("this is not a property list\n")},
        DamagedFile {"Empty", QByteArray()},
        DamagedFile {"TruncatedXml",
            QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><tr")},
        DamagedFile {"RootIsNotADictionary",
            QByteArray(
                "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><true/></array></plist>")}),
    test::RowName());

// Writes are atomic: a value a property list cannot hold fails the write before the disk is touched.
TEST(Settings, AFailedWriteIsReportedAndKeepsThePreviousFile)
{
    TempDir dir;
    Settings settings(prefs(dir));
    settings.setValue(u"showage"_s, false);
    ASSERT_TRUE(settings.synchronize());
    const QByteArray before = test::readFile(prefs(dir));
    settings.setValue(u"FBExpirationDate"_s, test::utc("1850-01-01T00:00:00Z"));
    QString error;
    EXPECT_FALSE(settings.synchronize(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(test::readFile(prefs(dir)), before);
}

TEST(Settings, AnUnwritableLocationIsReportedAndRetried)
{
    TempDir dir;
    // The settings file's folder is a plain file, which even root cannot write into.
    const QString blocker = dir.file(u"blocker"_s);
    ASSERT_TRUE(test::writeFile(blocker, "x"));
    Settings settings(blocker + u"/Preferences.plist"_s);
    settings.setValue(u"showage"_s, false);
    QString error;
    EXPECT_FALSE(settings.synchronize(&error));
    EXPECT_TRUE(error.contains(blocker)) << error.toStdString();
    ASSERT_TRUE(QFile::remove(blocker) && QDir().mkpath(blocker));
    EXPECT_TRUE(settings.synchronize(&error)) << error.toStdString();
    EXPECT_TRUE(QFile::exists(blocker + u"/Preferences.plist"_s));
}

TEST(Settings, WritingToAFailingDeviceReportsTheDeviceError)
{
    FailingDevice device;
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    QString error;
    EXPECT_FALSE(Settings::writeTo(device, {{u"showage"_s, true}}, &error));
    EXPECT_EQ(error, u"No space left on device"_s);
}

struct LooseRow {
    const char* name;
    QVariant value;
    bool asBool;
    qint64 asInteger;
};

class SettingsLooselyTyped : public ::testing::TestWithParam<LooseRow> { };

TEST_P(SettingsLooselyTyped, ReadsAsThePlatformReadsThem)
{
    EXPECT_EQ(Settings::toBool(GetParam().value), GetParam().asBool);
    EXPECT_EQ(Settings::toInteger(GetParam().value), GetParam().asInteger);
}

INSTANTIATE_TEST_SUITE_P(Settings, SettingsLooselyTyped,
    ::testing::Values(LooseRow {"False", false, false, 0}, LooseRow {"Zero", qint64(0), false, 0},
        LooseRow {"Negative", qint64(-1), true, -1}, LooseRow {"YesText", u"YES"_s, true, 0},
        LooseRow {"YesLowerCase", u"yes"_s, true, 0}, LooseRow {"NumberText", u" 42 "_s, true, 42},
        LooseRow {"NoText", u"NO"_s, false, 0}, LooseRow {"Real", 2.7, true, 2},
        LooseRow {"Absent", QVariant(), false, 0}),
    test::RowName());
