// The list photo artwork shipped in resources/images is exactly what tools/artwork
// draws, so the generator and the committed files cannot drift apart. After changing
// the drawing, run `fetemark_artwork` and commit the files it writes.
#include "artwork/ArtworkPainter.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>

namespace {

struct ArtworkRow {
    std::string name;
    QString file;
    int side;
};

class ShippedArtwork : public ::testing::TestWithParam<ArtworkRow> {};

TEST_P(ShippedArtwork, IsWhatTheGeneratorDraws)
{
    const ArtworkRow& row = GetParam();
    const QImage shipped = QImage(QStringLiteral(":/resources/images/") + row.file).convertToFormat(QImage::Format_ARGB32);
    const QImage drawn = fetemark::artwork::draw(row.file).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(shipped.isNull()) << "missing from the resources";
    ASSERT_EQ(drawn.size(), QSize(row.side, row.side));
    ASSERT_EQ(shipped.size(), drawn.size());
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            differing += shipped.pixel(x, y) != drawn.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0) << "pixels differ: run fetemark_artwork";
}

std::vector<ArtworkRow> rows()
{
    std::vector<ArtworkRow> out;
    for (const QString& file : fetemark::artwork::fileNames()) {
        std::string name = file.chopped(4).toStdString();
        std::erase(name, '_');
        const int side = file.startsWith(QLatin1String("BlankPhoto_Small")) ? 102
                         : file.endsWith(QLatin1String("_CornerIcon.png")) ? 20
                                                                           : 126;
        out.push_back({name, file, side});
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Artwork, ShippedArtwork, ::testing::ValuesIn(rows()),
                         [](const testing::TestParamInfo<ArtworkRow>& info) { return info.param.name; });

TEST(Artwork, EveryFileTheListNeedsIsDrawnAndNothingElse)
{
    const QStringList files = fetemark::artwork::fileNames();
    EXPECT_EQ(files.size(), 11);
    for (const QString& file : files)
        EXPECT_FALSE(fetemark::artwork::draw(file).isNull()) << file.toStdString();
    EXPECT_TRUE(fetemark::artwork::draw(QStringLiteral("BlankPhoto_Big.png")).isNull());
    EXPECT_TRUE(fetemark::artwork::draw(QStringLiteral("BlankPhoto_SmallFacebook.png")).isNull());
}

} // namespace
