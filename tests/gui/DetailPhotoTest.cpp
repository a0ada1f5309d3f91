#include "gui/DetailPage.h"

#include "gui/detail/DetailedInfoCells.h"
#include "gui/detail/PictureWithCopy.h"

#include <QApplication>
#include <QClipboard>

namespace fetemark::test {
namespace {

class DetailPhotoTest : public DetailPageFixture { };

// Ctrl+C on the header's photo puts the whole original on the clipboard, not the small
// rounded picture; a blank stand-in offers nothing to copy.
TEST_F(DetailPhotoTest, CopyGivesTheFullPictureOnly)
{
    ASSERT_EQ(fetemark({"custom", "add", "--name", "Lea", "--date", "2001-03-09"}).exitCode, 0);
    ASSERT_EQ(fetemark({"custom", "add", "--name", "Tom", "--date", "2012-02-29"}).exitCode, 0);
    openWindow();
    QImage original(640, 480, QImage::Format_RGB32);
    original.fill(QColor(0x20, 0x80, 0xc0));
    record(QStringLiteral("Lea"))->customPhoto = original;
    QApplication::clipboard()->clear();

    DetailedInfoViewController* tom = openPage(QStringLiteral("Tom"));
    ASSERT_TRUE(tom);
    PictureWithCopy* blank = tom->topCell()->photoView();
    EXPECT_TRUE(blank->isVisible());
    EXPECT_FALSE(blank->canCopy());
    QTest::keyClick(blank, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());

    DetailedInfoViewController* lea = openPage(QStringLiteral("Lea"));
    ASSERT_TRUE(lea);
    PictureWithCopy* photo = lea->topCell()->photoView();
    EXPECT_EQ(photo->sizeHint(), QSize(104, 104));
    QTest::keyClick(photo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->image().size(), original.size());
}

} // namespace
} // namespace fetemark::test
