#include "gui/GuiFixture.h"

#include "gui/navigation/NavigationBar.h"
#include "gui/navigation/NavigationController.h"
#include "gui/navigation/ViewController.h"
#include "gui/screens/MainViewController.h"

#include <QLabel>
#include <QToolButton>

namespace fetemark::test {
namespace {

class NavigationControllerTest : public GuiFixture { };

ViewController* screen(const QString& title)
{
    auto* controller = new ViewController;
    controller->setTitle(title);
    return controller;
}

TEST_F(NavigationControllerTest, WindowOpensPhoneShapedOnTheList)
{
    openWindow();
    EXPECT_EQ(m_window->size(), MainWindow::DefaultSize);
    NavigationController& navigation = m_window->navigation();
    EXPECT_EQ(navigation.topViewController(), &m_window->mainViewController());
    EXPECT_FALSE(navigation.navigationBar()->backButton()->isVisible());
}

// Back and Escape lead back the way pushes came, and the bar follows the top screen.
TEST_F(NavigationControllerTest, PushesAndGoesBackByButtonAndKey)
{
    openWindow();
    NavigationController& navigation = m_window->navigation();
    navigation.pushViewController(screen(QStringLiteral("One")), false);
    QPointer<ViewController> two = screen(QStringLiteral("Two"));
    navigation.pushViewController(two, true);
    ASSERT_TRUE(waitFor([&] { return !navigation.isAnimating(); }));
    EXPECT_EQ(navigation.depth(), 3);
    EXPECT_EQ(navigation.navigationBar()->title(), QStringLiteral("Two"));
    EXPECT_EQ(two->geometry().topLeft(), QPoint(0, 0));
    EXPECT_TRUE(navigation.navigationBar()->backButton()->isVisible());

    QTest::mouseClick(navigation.navigationBar()->backButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return two.isNull(); }));
    EXPECT_EQ(navigation.navigationBar()->title(), QStringLiteral("One"));
    QTest::keyClick(&navigation, Qt::Key_Escape);
    ASSERT_TRUE(waitFor([&] { return navigation.depth() == 1 && !navigation.isAnimating(); }));
    EXPECT_FALSE(navigation.navigationBar()->backButton()->isVisible());
}

TEST_F(NavigationControllerTest, PresentedScreenCoversTheStackUntilDismissed)
{
    openWindow();
    NavigationController& navigation = m_window->navigation();
    navigation.pushViewController(screen(QStringLiteral("One")), false);
    navigation.presentViewController(screen(QStringLiteral("Modal")), true);
    NavigationController* presented = navigation.presentedController();
    ASSERT_NE(presented, nullptr);
    ASSERT_TRUE(waitFor([&] { return presented->pos() == QPoint(0, 0); }));
    EXPECT_EQ(presented->size(), navigation.size());

    navigation.popToRootViewController(false);
    EXPECT_EQ(navigation.depth(), 1);
    navigation.dismissModalViewController(false);
    EXPECT_EQ(navigation.presentedController(), nullptr);
}

} // namespace
} // namespace fetemark::test
