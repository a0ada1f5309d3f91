// The window's button and icon images, rendered by tools/icons: every name a theme picks
// is shipped, at two pixels per point, with its glyph centred, and the variant for dark
// themes differs from the one for light themes.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct IconRow {
    std::string name;
    QString forDark; // the image a theme with dark accessory icons shows
    QString forLight;
    QSize pixels;
};

void PrintTo(const IconRow& row, std::ostream* out)
{
    *out << row.name;
}

QImage shipped(const QString& file)
{
    return QImage(QStringLiteral(":/resources/images/") + file)
        .convertToFormat(QImage::Format_ARGB32);
}

// The centre of the box around every pixel that is not nearly transparent.
QPointF inkCentre(const QImage& image)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 32) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QPointF(-1, -1)
                     : QPointF((left + right + 1) / 2.0, (top + bottom + 1) / 2.0);
}

class ShippedIcon : public ::testing::TestWithParam<IconRow> { };

TEST_P(ShippedIcon, HasItsSizeIsCentredAndDiffersByTheme)
{
    const IconRow& row = GetParam();
    const QImage dark = shipped(row.forDark);
    const QImage light = shipped(row.forLight);
    ASSERT_FALSE(dark.isNull()) << row.forDark.toStdString() << " missing";
    ASSERT_FALSE(light.isNull()) << row.forLight.toStdString() << " missing";
    EXPECT_EQ(dark.size(), row.pixels);
    EXPECT_EQ(light.size(), row.pixels);
    EXPECT_NE(dark, light);
    const QPointF middle(row.pixels.width() / 2.0, row.pixels.height() / 2.0);
    for (const QImage& image : {dark, light}) {
        const QPointF offset = inkCentre(image) - middle;
        // Material places some glyphs a little off the middle on purpose; a pixel or two.
        EXPECT_LE(std::abs(offset.x()), 2.5) << "off centre across";
        EXPECT_LE(std::abs(offset.y()), 2.5) << "off centre down";
    }
}

std::vector<IconRow> rows()
{
    auto row = [](const QString& dark, const QString& light, QSize pixels) {
        std::string name = dark.toStdString();
        std::erase(name, '_');
        return IconRow {
            name, dark + QStringLiteral(".png"), light + QStringLiteral(".png"), pixels};
    };
    std::vector<IconRow> out;
    const QString menu[] = {
        u"Back"_s, u"Settings"_s, u"Next"_s, u"Add"_s, u"Cancel"_s, u"Checkmark"_s, u"Edit"_s};
    const QString filters[] = {
        u"None"_s, u"Facebook"_s, u"Other"_s, u"Birthday"_s, u"Anniversary"_s, u"Holidays"_s};
    for (const QString& state : {u"Up"_s, u"Down"_s}) {
        for (const QString& button : menu) {
            const QString stem = u"MenuButton_"_s + button;
            out.push_back(row(stem + u"_Black_"_s + state, stem + u"_White_"_s + state, {60, 60}));
        }
        for (const QString& filter : filters) {
            const QString stem = u"Filter_"_s + filter;
            out.push_back(row(stem + u"_Black_"_s + state, stem + u"_White_"_s + state, {88, 60}));
        }
        // The standard theme has a toggle of its own; both stand on either kind of theme.
        out.push_back(row(
            u"UpcomingButton_On_Standard_"_s + state, u"UpcomingButton_On_"_s + state, {64, 64}));
    }
    for (const QString& type : {u"Holiday"_s, u"Birthday"_s, u"Anniversary"_s, u"Other"_s}) {
        const QString stem = u"TypeIcon_"_s + type;
        out.push_back(row(stem + u"_Black"_s, stem + u"_White"_s, {40, 40}));
    }
    out.push_back(row(u"Search"_s, u"Search_White"_s, {40, 40}));
    out.push_back(
        row(u"TableViewCell_CheckmarkDark"_s, u"TableViewCell_CheckmarkLight"_s, {40, 40}));
    out.push_back(row(
        u"TableViewCell_DisclosureArrowDark"_s, u"TableViewCell_DisclosureArrowLight"_s, {40, 40}));
    out.push_back(row(u"UpcomingButton_Off_Black"_s, u"UpcomingButton_Off_White"_s, {64, 64}));
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Icons, ShippedIcon, ::testing::ValuesIn(rows()), fetemark::test::RowName());

// Images drawn in one ink only: present, at their size, the glyph centred.
struct SingleIconRow {
    std::string name;
    QSize pixels;
};

void PrintTo(const SingleIconRow& row, std::ostream* out)
{
    *out << row.name;
}

class ShippedSingleIcon : public ::testing::TestWithParam<SingleIconRow> { };

TEST_P(ShippedSingleIcon, HasItsSizeAndIsCentred)
{
    const SingleIconRow& row = GetParam();
    const QImage image = shipped(QString::fromStdString(row.name) + u".png"_s);
    ASSERT_FALSE(image.isNull()) << row.name << " missing";
    EXPECT_EQ(image.size(), row.pixels);
    const QPointF offset =
        inkCentre(image) - QPointF(row.pixels.width() / 2.0, row.pixels.height() / 2.0);
    EXPECT_LE(std::abs(offset.x()), 2.5) << "off centre across";
    EXPECT_LE(std::abs(offset.y()), 2.5) << "off centre down";
}

INSTANTIATE_TEST_SUITE_P(Icons, ShippedSingleIcon,
    ::testing::Values(SingleIconRow {"SettingsIcon_Holidays", {70, 70}},
        SingleIconRow {"SettingsIcon_Tutorial", {70, 70}},
        SingleIconRow {"SettingsIcon_AlertType", {70, 70}},
        SingleIconRow {"Check_All_Up", {60, 60}}, SingleIconRow {"Uncheck_All_Up", {60, 60}}),
    fetemark::test::RowName());

// A pressed button must look pressed.
TEST(ShippedIcons, PressedButtonsDifferFromReleasedOnes)
{
    for (const IconRow& row : rows()) {
        if (!row.forDark.endsWith(u"_Up.png"_s)) {
            continue;
        }
        for (const QString& up : {row.forDark, row.forLight}) {
            const QString down = up.chopped(7) + u"_Down.png"_s;
            EXPECT_NE(shipped(up), shipped(down)) << down.toStdString();
        }
    }
}

} // namespace
