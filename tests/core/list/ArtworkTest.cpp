// The list photo artwork in resources/images must be exactly what tools/artwork draws;
// after changing the drawing, run `fetemark_artwork` and commit the files it writes.
#include "artwork/ArtworkPainter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>

namespace {

struct ArtworkRow {
    std::string name;
    QString file;
    int side; // points × two pixels per point
};

class ShippedArtwork : public ::testing::TestWithParam<ArtworkRow> { };

TEST_P(ShippedArtwork, IsWhatTheGeneratorDraws)
{
    const ArtworkRow& row = GetParam();
    const QImage shipped = QImage(QStringLiteral(":/resources/images/") + row.file)
                               .convertToFormat(QImage::Format_ARGB32);
    const QImage drawn = fetemark::artwork::draw(row.file).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(shipped.isNull()) << "missing from the resources";
    ASSERT_EQ(drawn.size(), QSize(row.side, row.side));
    EXPECT_TRUE(shipped == drawn) << "pixels differ: run fetemark_artwork";
}

std::vector<ArtworkRow> rows()
{
    std::vector<ArtworkRow> out;
    for (const QString& file : fetemark::artwork::fileNames()) {
        std::string name = file.chopped(4).toStdString();
        std::erase(name, '_');
        const int side = file.startsWith(QLatin1String("BlankPhoto_Small")) ? 102
            : file.startsWith(QLatin1String("BlankPhoto_Big"))              ? 208
            : file.endsWith(QLatin1String("_CornerIcon.png"))               ? 20
                                                                            : 126;
        out.push_back({name, file, side});
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Artwork, ShippedArtwork, ::testing::ValuesIn(rows()), fetemark::test::RowName());

} // namespace
