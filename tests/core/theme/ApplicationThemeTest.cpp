// Loading a theme: which entry a load takes, when it is skipped, and where the
// backgrounds come from, against a small theme table whose entries carry their number as
// "GradientFactor" and whose background pictures are as wide as their theme's number.
#include "core/theme/ApplicationTheme.h"
#include "core/settings/Settings.h"
#include "platform/archive/PropertyList.h"
#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace fetemark {
namespace {

using test::PrintTo;

enum class Do { SetSetting, Load, LoadNumber, ForceLoad, ForceCustom, NewPhoto };

struct Step {
    Do action;
    int number = 0;
};

struct LoadRow {
    std::string name;
    std::vector<Step> steps;
    int colorsOf;   // the theme whose entry gave the colours; 0: none yet
    int background; // width of the loaded background; 0: none
    int current;    // currentTheme afterwards
};

class ThemeLoading : public ::testing::TestWithParam<LoadRow> {
protected:
    void SetUp() override
    {
        QVariantList entries;
        for (int number : {1, 2, 9, 100, 101, 9999})
            entries << QVariantMap {{u"Key"_s, qint64(number)}, {u"GradientFactor"_s, number},
                {u"DarkAccessoryIcons"_s, number == 1},
                {u"RowColor1"_s, QVariantMap {{u"R"_s, 1}, {u"G"_s, 0.5}, {u"B"_s, 0}}}};
        ASSERT_TRUE(test::writeFile(
            resources.file(u"Themes.plist"_s), PropertyList::writeXml(entries).value()));
        ASSERT_TRUE(QDir(resources.path()).mkdir(u"images"_s));
        // Theme 2 has no pictures.
        for (int number : {1, 9, 101})
            writeBackgrounds(resources.file(u"images"_s), number, number);
        writeBackgrounds(documents.path(), 100, 100);
    }

    static void writeBackgrounds(const QString& folder, int number, int width)
    {
        for (const QString& suffix : {u""_s, u"_StartupTop"_s, u"_SearchBar"_s}) {
            QImage picture(width, 1, QImage::Format_RGB32);
            picture.fill(Qt::gray);
            ASSERT_TRUE(picture.save(
                QDir(folder).filePath(u"ThemeBackground_%1%2.png"_s.arg(number).arg(suffix))));
        }
    }

    void run(ApplicationTheme& theme, const Step& step)
    {
        switch (step.action) {
        case Do::SetSetting:
            settings.setValue(u"applicationtheme"_s, qint64(step.number));
            break;
        case Do::Load:
            theme.loadTheme();
            break;
        case Do::LoadNumber:
            theme.loadTheme(step.number, false);
            break;
        case Do::ForceLoad:
            theme.loadTheme(-1, true);
            break;
        case Do::ForceCustom:
            theme.forceLoadCustom();
            break;
        case Do::NewPhoto:
            writeBackgrounds(documents.path(), 100, step.number);
            break;
        }
    }

    test::TempDir resources, documents, data;
    Settings settings {data.file(u"Preferences.plist"_s)};
};

TEST_P(ThemeLoading, TakesTheEntryAndPicturesTheRulesName)
{
    const LoadRow& row = GetParam();
    ApplicationTheme theme(settings, resources.path(), documents.path());
    for (const Step& step : row.steps)
        run(theme, step);
    EXPECT_EQ(theme.gradientFactor, row.colorsOf);
    EXPECT_EQ(theme.currentTheme(), row.current);
    EXPECT_EQ(theme.backgroundImage.width(), row.background);
    EXPECT_EQ(theme.settingsBackgroundImage.width(), row.background);
    EXPECT_EQ(theme.backgroundStartupTopImage.width(), row.background);
    EXPECT_EQ(theme.backgroundSearchBarImage.width(), row.background);
    if (row.colorsOf) {
        EXPECT_EQ(theme.colors.rowColor1, QColor::fromRgbF(1, 0.5f, 0));
        EXPECT_EQ(theme.isStandardTheme, row.colorsOf == 101);
        EXPECT_TRUE(theme.showGloss);
        EXPECT_FALSE(theme.showStripes);
    }
}

// Step shorthands.
Step set(int n)
{
    return {Do::SetSetting, n};
}
const Step load {Do::Load};
Step loadNumber(int n)
{
    return {Do::LoadNumber, n};
}
const Step forceLoad {Do::ForceLoad};
const Step forceCustom {Do::ForceCustom};
Step newPhoto(int width)
{
    return {Do::NewPhoto, width};
}

INSTANTIATE_TEST_SUITE_P(ApplicationTheme, ThemeLoading,
    ::testing::Values(LoadRow {"NothingBeforeTheFirstLoad", {}, 0, 0, -1},
        LoadRow {"SettingNamesTheTheme", {set(9), load}, 9, 9, 9},
        LoadRow {"DefaultSettingIsAbsentAndChangesNothing", {load}, 0, 0, 0},
        LoadRow {"SameSettingIsNotReloaded", {set(1), load, loadNumber(9), load}, 9, 9, 1},
        LoadRow {"ForceReloadsTheSameSetting", {set(1), load, loadNumber(9), forceLoad}, 1, 1, 1},
        LoadRow {"ChangedSettingIsLoaded", {set(1), load, set(9), load}, 9, 9, 9},
        LoadRow {"ExplicitNumberKeepsCurrentTheme", {set(1), load, loadNumber(9)}, 9, 9, 1},
        LoadRow {"AbsentNumberChangesNothing", {set(9), load, set(77), load}, 9, 9, 77},
        LoadRow {"MissingPicturesLeaveNone", {set(1), load, set(2), load}, 2, 0, 2},
        LoadRow {
            "NoBackgroundThemeKeepsThePictures", {set(9), load, set(9999), load}, 9999, 9, 9999},
        LoadRow {"StandardTheme", {set(101), load}, 101, 101, 101},
        LoadRow {"OwnPhotoFromTheDocumentsFolder", {set(100), load}, 100, 100, 100},
        LoadRow {"NewPhotoUnseenByAPlainLoad", {set(100), load, newPhoto(7), load}, 100, 100, 100},
        LoadRow {"NewPhotoSeenAfterForceLoadCustom", {set(100), load, newPhoto(7), forceCustom},
            100, 7, 100}),
    test::RowName());

TEST(ApplicationTheme, AccessoryFlagPicksLinkColourAndImages)
{
    test::TempDir resources, data;
    ASSERT_TRUE(test::writeFile(resources.file(u"Themes.plist"_s),
        PropertyList::writeXml(
            QVariantList {QVariantMap {{u"Key"_s, 5}, {u"DarkAccessoryIcons"_s, true}},
                QVariantMap {{u"Key"_s, 6}, {u"DarkAccessoryIcons"_s, false}}})
            .value()));
    ASSERT_TRUE(QDir(resources.path()).mkpath(u"images"_s));
    QImage icon(3, 3, QImage::Format_ARGB32);
    icon.fill(Qt::black);
    ASSERT_TRUE(icon.save(resources.file(u"images/Search.png"_s)));
    const Settings settings(data.file(u"Preferences.plist"_s));
    ApplicationTheme theme(settings, resources.path(), data.path());

    theme.loadTheme(5, false);
    EXPECT_EQ(theme.linkColor, QColor::fromRgbF(0, 0.2f, 0.6f));
    EXPECT_EQ(theme.image(ThemeImage::searchIconHelp).size(), QSize(3, 3));
    EXPECT_TRUE(theme.image(ThemeImage::menuBackUp).isNull());
    theme.loadTheme(6, false);
    EXPECT_EQ(theme.linkColor, QColor::fromRgbF(0.8f, 0.85f, 1.0f));
    EXPECT_TRUE(theme.image(ThemeImage::searchIconHelp).isNull()); // Search_White.png is absent
}

struct NameRow {
    std::string name;
    ThemeImage image;
    int theme;
    bool dark;
    const char* expected;
};

class ThemeImageNames : public ::testing::TestWithParam<NameRow> { };

TEST_P(ThemeImageNames, FollowTheAccessoryFlag)
{
    const NameRow& row = GetParam();
    EXPECT_EQ(ApplicationTheme::imageName(row.image, row.theme, row.dark),
        QString::fromLatin1(row.expected));
}

using I = ThemeImage;
INSTANTIATE_TEST_SUITE_P(ApplicationTheme, ThemeImageNames,
    ::testing::Values(NameRow {"SearchDark", I::searchIconHelp, 1, true, "Search.png"},
        NameRow {"SearchLight", I::searchIconHelp, 1, false, "Search_White.png"},
        NameRow {"MenuBackUpDark", I::menuBackUp, 1, true, "MenuButton_Back_Black_Up.png"},
        NameRow {"MenuBackDownLight", I::menuBackDown, 1, false, "MenuButton_Back_White_Down.png"},
        NameRow {"MenuCheckUpDark", I::menuCheckUp, 1, true, "MenuButton_Checkmark_Black_Up.png"},
        NameRow {"FilterNoneUpDark", I::filterNoneUp, 1, true, "Filter_None_Black_Up.png"},
        NameRow {"FilterNoneUpLight", I::filterNoneUp, 1, false, "Filter_None_White_Up.png"},
        NameRow {
            "FilterOthersDownDark", I::filterOthersDown, 9, true, "Filter_Other_Black_Down.png"},
        NameRow {"FilterStandardDarkIsWhite", I::filterBirthdaysUp, 101, true,
            "Filter_Birthday_White_Up.png"},
        NameRow {"FilterStandardDarkDownIsWhite", I::filterAnniversariesDown, 101, true,
            "Filter_Anniversary_White_Down.png"},
        NameRow {"HolidayIconDark", I::holidayIcon, 1, true, "TypeIcon_Holiday_Black.png"},
        NameRow {"OtherIconLight", I::otherIcon, 1, false, "TypeIcon_Other_White.png"},
        NameRow {"CheckmarkDark", I::checkmarkImage, 1, true, "TableViewCell_CheckmarkDark.png"},
        NameRow {
            "DisclosureDark", I::disclosureImage, 1, true, "TableViewCell_DisclosureArrowDark.png"},
        NameRow {"UpcomingOnStandardDark", I::upcomingOnUp, 101, true,
            "UpcomingButton_On_Standard_Up.png"},
        NameRow {
            "UpcomingOnStandardLight", I::upcomingOnUp, 101, false, "UpcomingButton_On_Up.png"},
        NameRow {"UpcomingOnOtherDark", I::upcomingOnUp, 1, true, "UpcomingButton_On_Up.png"},
        NameRow {"UpcomingOffDark", I::upcomingOff, 1, true, "UpcomingButton_Off_Black.png"},
        NameRow {"UpcomingOffLight", I::upcomingOff, 101, false, "UpcomingButton_Off_White.png"}),
    test::RowName());

struct ColorRow {
    std::string name;
    QVariantMap components;
    QColor expected;
};

class ThemeColorFromArray : public ::testing::TestWithParam<ColorRow> { };

TEST_P(ThemeColorFromArray, ReadsComponentsFromZeroToOne)
{
    EXPECT_EQ(ApplicationTheme::colorFromArray(GetParam().components), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(ApplicationTheme, ThemeColorFromArray,
    ::testing::Values(
        ColorRow {"AllFour", {{u"R"_s, 1}, {u"G"_s, 0.5}, {u"B"_s, 0.25}, {u"A"_s, 0.5}},
            QColor::fromRgbF(1, 0.5f, 0.25f, 0.5f)},
        ColorRow {"MissingOpacityIsOpaque", {{u"R"_s, 0.2}}, QColor::fromRgbF(0.2f, 0, 0, 1)},
        ColorRow {"OutOfRangeIsClamped", {{u"R"_s, 3}, {u"G"_s, -1}, {u"A"_s, 2}},
            QColor::fromRgbF(1, 0, 0, 1)},
        ColorRow {"TextIsZero", {{u"R"_s, u"red"_s}, {u"G"_s, 1}}, QColor::fromRgbF(0, 1, 0)}),
    test::RowName());

} // namespace
} // namespace fetemark
