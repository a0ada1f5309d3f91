// The shipped "Themes.plist" and theme pictures: every theme's text is readable on its
// rows and selection (WCAG contrast of at least 4.5:1), every picture it names is there,
// the reserved numbers exist, and the backgrounds in resources/images are exactly what
// tools/artwork draws (after changing the drawing, run `fetemark_artwork` and commit the
// files it writes).
#include "artwork/ThemeBackgroundPainter.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "platform/archive/PropertyList.h"
#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cmath>
#include <set>
#include <string>

using namespace Qt::StringLiterals;

namespace fetemark {
namespace {

using test::PrintTo;

QVariantList shippedThemes()
{
    QFile file(u":/resources/Themes.plist"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PropertyList::read(file.readAll()).value_or(QVariant()).toList();
}

double luminance(const QColor& color)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
        0.0722 * channel(color.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct ThemeRow {
    std::string name;
    int number;
};

class ShippedTheme : public ::testing::TestWithParam<ThemeRow> { };

TEST_P(ShippedTheme, TextIsReadable)
{
    test::TempDir data;
    const Settings settings(data.file(u"Preferences.plist"_s));
    ApplicationTheme theme(settings, u":/resources"_s, data.path());
    theme.loadTheme(GetParam().number, false);
    const ThemeColors& c = theme.colors;
    const struct {
        const char* pair;
        QColor text, fill;
    } pairs[] = {{"text on row 1", c.textColor, c.rowColor1},
        {"text on row 2", c.textColor, c.rowColor2},
        {"today's text on row 1", c.todayTextColor, c.rowColor1},
        {"today's text on row 2", c.todayTextColor, c.rowColor2},
        {"selected text on the selection", c.highlightedTextColor, c.highlightColor}};
    for (const auto& pair : pairs) {
        EXPECT_EQ(pair.fill.alpha(), 255) << pair.pair;
        EXPECT_GE(contrast(pair.text, pair.fill), 4.5) << pair.pair;
    }
}

TEST_P(ShippedTheme, FindsEveryPicture)
{
    test::TempDir data;
    const Settings settings(data.file(u"Preferences.plist"_s));
    ApplicationTheme theme(settings, u":/resources"_s, data.path());
    const int number = GetParam().number;
    theme.loadTheme(number, false);
    for (int i = 0; i < ThemeImageCount; ++i)
        EXPECT_FALSE(theme.image(ThemeImage(i)).isNull())
            << ApplicationTheme::imageName(ThemeImage(i), number, true).toStdString();
    // The own photo theme's pictures are in the (here empty) data directory.
    const bool pictures =
        number != ApplicationTheme::CustomTheme && number != ApplicationTheme::NoBackgroundTheme;
    EXPECT_EQ(theme.backgroundImage.isNull(), !pictures);
    EXPECT_EQ(theme.backgroundStartupTopImage.isNull(), !pictures);
    EXPECT_EQ(theme.backgroundSearchBarImage.isNull(), !pictures);
}

std::vector<ThemeRow> themeRows()
{
    std::vector<ThemeRow> rows;
    for (const QVariant& entry : shippedThemes()) {
        const QVariantMap theme = entry.toMap();
        std::string name = theme.value(u"Name"_s).toString().toStdString();
        std::erase(name, ' ');
        rows.push_back({name, theme.value(u"Key"_s).toInt()});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(
    ApplicationTheme, ShippedTheme, ::testing::ValuesIn(themeRows()), test::RowName());

TEST(ShippedThemes, HoldTheReservedNumbersAndTheirPictures)
{
    std::set<int> numbers;
    QVariantMap photoSource, photo;
    for (const QVariant& entry : shippedThemes()) {
        QVariantMap theme = entry.toMap();
        const int number = theme.value(u"Key"_s).toInt();
        EXPECT_TRUE(numbers.insert(number).second) << "twice: " << number;
        EXPECT_FALSE(theme.value(u"Name"_s).toString().isEmpty()) << number;
        theme.remove(u"Key"_s);
        theme.remove(u"Name"_s);
        if (number == 9)
            photoSource = theme;
        if (number == 100)
            photo = theme;
        if (number == 100 || number == 9999)
            continue;
        for (const char* pattern : {"ThemeBackground_%1.png", "ThemeBackground_%1_StartupTop.png",
                 "ThemeBackground_%1_SearchBar.png"})
            EXPECT_TRUE(themeart::fileNames().contains(QString::fromLatin1(pattern).arg(number)))
                << pattern << " " << number;
    }
    // A first start shows the theme the setting's default names.
    const int byDefault = registeredDefaults().value(QString(Key::ApplicationTheme)).toInt();
    for (int reserved : {byDefault, 9, 100, 101, 9999})
        EXPECT_TRUE(numbers.contains(reserved)) << reserved;
    EXPECT_GE(numbers.size(), 8u);
    EXPECT_EQ(photo, photoSource); // the own photo theme starts as a copy of theme 9
}

struct PictureRow {
    std::string name;
    QString file;
    QSize size;
};

class ShippedThemePicture : public ::testing::TestWithParam<PictureRow> { };

TEST_P(ShippedThemePicture, IsWhatTheGeneratorDraws)
{
    const PictureRow& row = GetParam();
    const QImage shipped =
        QImage(u":/resources/images/"_s + row.file).convertToFormat(QImage::Format_ARGB32);
    const QImage drawn = themeart::draw(row.file).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(shipped.isNull()) << "missing from the resources";
    ASSERT_EQ(drawn.size(), row.size);
    EXPECT_TRUE(shipped == drawn) << "pixels differ: run fetemark_artwork";
}

std::vector<PictureRow> pictureRows()
{
    std::vector<PictureRow> rows;
    for (const QString& file : themeart::fileNames()) {
        std::string name = file.chopped(4).toStdString();
        std::erase(name, '_');
        const QSize size = file.startsWith(u"ThemeIcon_"_s) ? QSize(70, 70)
            : file.endsWith(u"_StartupTop.png"_s)           ? QSize(780, 200)
            : file.endsWith(u"_SearchBar.png"_s)            ? QSize(780, 88)
                                                            : QSize(780, 1560);
        rows.push_back({name, file, size});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(
    ApplicationTheme, ShippedThemePicture, ::testing::ValuesIn(pictureRows()), test::RowName());

} // namespace
} // namespace fetemark
