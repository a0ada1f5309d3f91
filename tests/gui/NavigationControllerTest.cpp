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

namespace fetemark::test {
namespace {

// A screen that notes when it is told it appears and goes.
class NotingScreen : public ViewController {
public:
    NotingScreen(const char* name, QStringList* notes) : m_name(name), m_notes(notes) { }
    void viewWillAppear(bool) override { note("will appear"); }
    void viewDidAppear(bool) override { note("did appear"); }

private:
    void note(const char* what) { *m_notes << m_name + QLatin1Char(' ') + QLatin1String(what); }
    QString m_name;
    QStringList* m_notes;
};

struct SlideRow {
    const char* name;
    // Starts the slide; gives the screen that comes into view.
    QWidget* (*start)(NavigationController&, QStringList* notes);
    // Where that screen is in the first frame, from where it ends, for a stack of `size`.
    QPoint (*firstFrame)(QSize size);
    const char* lastNote;
};

class Slides : public NavigationControllerTest, public ::testing::WithParamInterface<SlideRow> { };

// The first frame of a slide already shows the screens where the slide starts them, and
// the end shows the new screen alone in place.
TEST_P(Slides, StartInPlaceAndEndWithTheNewScreenAlone)
{
    const SlideRow& row = GetParam();
    openWindow();
    NavigationController& navigation = m_window->navigation();
    QStringList notes;
    QPointer<QWidget> incoming = row.start(navigation, &notes);
    const QPoint first = incoming->mapTo(&navigation, QPoint());
    ASSERT_TRUE(waitFor([&] { return !navigation.isAnimating(); }));
    const QPoint last = incoming->mapTo(&navigation, QPoint());
    EXPECT_EQ(last, QPoint(0, NavigationBar::Height));
    EXPECT_EQ(first - last, row.firstFrame(navigation.size()));
    EXPECT_EQ(notes.last(), QString::fromLatin1(row.lastNote));
    for (QWidget* sibling :
        incoming->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_EQ(sibling->isVisible(), sibling == incoming) << sibling->metaObject()->className();
}

const SlideRow SlideRows[] = {
    {"PushComesFromTheRight",
        [](NavigationController& navigation, QStringList* notes) -> QWidget* {
            auto* screen = new NotingScreen("pushed", notes);
            navigation.pushViewController(screen, true);
            return screen;
        },
        [](QSize size) { return QPoint(size.width(), 0); }, "pushed did appear"},
    {"PopUncoversFromTheLeft",
        [](NavigationController& navigation, QStringList* notes) -> QWidget* {
            auto* under = new NotingScreen("under", notes);
            navigation.pushViewController(under, false);
            navigation.pushViewController(new NotingScreen("over", notes), false);
            navigation.popViewController(true);
            return under;
        },
        [](QSize size) { return QPoint(-size.width() / 3, 0); }, "under did appear"},
    {"PushDuringAPushFinishesTheFirst",
        [](NavigationController& navigation, QStringList* notes) -> QWidget* {
            navigation.pushViewController(new NotingScreen("first", notes), true);
            auto* second = new NotingScreen("second", notes);
            navigation.pushViewController(second, true);
            const QStringList expected {QStringLiteral("first will appear"),
                QStringLiteral("first did appear"), QStringLiteral("second will appear")};
            EXPECT_EQ(*notes, expected);
            return second;
        },
        [](QSize size) { return QPoint(size.width(), 0); }, "second did appear"},
    {"PresentComesFromBelow",
        [](NavigationController& navigation, QStringList* notes) -> QWidget* {
            navigation.presentViewController(new NotingScreen("modal", notes), true);
            return navigation.presentedController()->topViewController();
        },
        [](QSize size) { return QPoint(0, size.height()); }, "modal did appear"},
};
INSTANTIATE_TEST_SUITE_P(Navigation, Slides, ::testing::ValuesIn(SlideRows), RowName());

} // namespace
} // namespace fetemark::test
