// Every screen of the catalogue, in every look, is drawn whole: not blank, and no label
// cut off or elided for want of room.
#include "support/TestSupport.h"

#include "gui/MainWindow.h"
#include "screens/ScreenCatalog.h"

#include <QLabel>
#include <QSet>

#include <gtest/gtest.h>

namespace fetemark::screens {
namespace {

struct ScreenLook {
    Screen screen;
    Look look;
};

void PrintTo(const ScreenLook& row, std::ostream* out)
{
    *out << row.look.fileName(row.screen).toStdString();
}

std::vector<ScreenLook> everyScreenInEveryLook()
{
    std::vector<ScreenLook> all;
    for (const Look& look : looks()) {
        for (const Screen& screen : catalogue())
            all.push_back({screen, look});
    }
    return all;
}

// A blank or nearly blank picture has a handful of colours, almost all of one.
bool looksBlank(const QImage& image)
{
    QHash<QRgb, int> counts;
    const QImage small = image.scaled(image.size() / 4);
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x)
            ++counts[small.pixel(x, y)];
    }
    int most = 0;
    for (int count : counts)
        most = std::max(most, count);
    return counts.size() < 16 || most > small.width() * small.height() * 97 / 100;
}

// The labels on screen whose text does not fit their box.
QStringList clippedLabels(const QWidget& window)
{
    QStringList clipped;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->text().isEmpty() || !label->pixmap().isNull())
            continue;
        const QRect box = label->contentsRect();
        const QFontMetrics metrics(label->font());
        const bool fits = label->wordWrap()
            ? label->heightForWidth(label->width()) <= label->height() + 1
            : metrics.horizontalAdvance(label->text()) <= box.width() + 1 &&
                metrics.height() <= box.height() + 1;
        if (!fits)
            clipped << label->text();
    }
    return clipped;
}

class Screens : public ::testing::TestWithParam<ScreenLook> { };

TEST_P(Screens, AreDrawnWholeInEveryLook)
{
    const ScreenLook& row = GetParam();
    test::TempDir dir;
    Stage stage(dir.file(QStringLiteral("data")), row.look);
    QString error;
    ASSERT_TRUE(stage.isReady(&error)) << error.toStdString();
    const QImage picture = stage.render(row.screen);
    ASSERT_EQ(picture.size() / picture.devicePixelRatio(), row.look.size);
    EXPECT_FALSE(looksBlank(picture));
    const QStringList clipped = clippedLabels(stage.window());
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(QStringLiteral(" | ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Catalogue, Screens, ::testing::ValuesIn(everyScreenInEveryLook()),
    [](const ::testing::TestParamInfo<ScreenLook>& info) {
        QString name = info.param.look.fileName(info.param.screen);
        name.chop(4);
        return name.replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
    });

} // namespace
} // namespace fetemark::screens
