// What went wrong on the way reaches the person in the window, not only a log.
#include "gui/GuiFixture.h"

#include "gui/widgets/ChoiceSheet.h"

#include <QDir>
#include <QPushButton>

namespace fetemark::test {
namespace {

class WindowProblemsTest : public GuiFixture { };

TEST_F(WindowProblemsTest, DamagedStoreSetAsideIsToldInAnAlert)
{
    ASSERT_TRUE(writeFile(
        QDir(m_dir.path()).filePath(QStringLiteral("CustomEntries.plist")), "not a property list"));
    openWindow();
    ChoiceSheet* alert = nullptr;
    ASSERT_TRUE(waitFor([&] { return (alert = m_window->findChild<ChoiceSheet*>()) != nullptr; }));
    EXPECT_TRUE(alert->message().contains(QStringLiteral("CustomEntries.plist")))
        << alert->message().toStdString();
    QTest::mouseClick(alert->button(0), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return m_window->findChild<ChoiceSheet*>() == nullptr; }));
}

} // namespace
} // namespace fetemark::test
