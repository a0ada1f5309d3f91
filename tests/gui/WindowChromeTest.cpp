#include "gui/GuiFixture.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/navigation/NavigationBar.h"
#include "gui/navigation/NavigationController.h"
#include "gui/navigation/ViewController.h"
#include "gui/screens/MainViewController.h"
#include "gui/widgets/BusyOverlay.h"
#include "gui/widgets/ThemeIcons.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace fetemark::test {
namespace {

class WindowChrome : public GuiFixture {
protected:
    void useTheme(int number)
    {
        m_session->settings().setValue(QString(Key::ApplicationTheme), number);
        m_window->mainViewController().applyThemeSetting();
    }
    ApplicationTheme& theme() { return m_session->app().sharedTheme(); }
};

// A screen with the list's background and an Add button in the bar.
ViewController* themedScreen()
{
    auto* screen = new ViewController;
    screen->setTitle(QStringLiteral("Themed"));
    screen->setBackgroundKind(BackgroundKind::Main);
    screen->setRightBarActions({screen->makeBarAction(
        ThemeImage::menuAddUp, ThemeImage::menuAddDown, QStringLiteral("Add"))});
    return screen;
}

QImage iconImage(const QToolButton* button, QIcon::Mode mode = QIcon::Normal)
{
    return button->icon()
        .pixmap(QSize(30, 30), 2.0, mode)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage artwork(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool isPlain(QWidget* widget, const QColor& colour)
{
    const QImage image = widget->grab().toImage();
    for (int y = 10; y < image.height(); y += 97)
        for (int x = 10; x < image.width(); x += 61)
            if (image.pixelColor(x, y).rgb() != colour.rgb())
                return false;
    return true;
}

struct ThemeRow {
    const char* name;
    int theme;
    bool picture; // the screen shows the theme's picture, not a plain colour
};

class ThemeSwitch : public WindowChrome, public ::testing::WithParamInterface<ThemeRow> { };

// A picked theme redraws what is shown already: bar buttons and the background.
TEST_P(ThemeSwitch, RedrawsBarButtonsAndBackground)
{
    openWindow();
    useTheme(2);
    ViewController* screen = themedScreen();
    m_window->navigation().pushViewController(screen, false);
    NavigationBar* bar = m_window->navigation().navigationBar();
    ASSERT_EQ(bar->rightButtons().size(), 1);
    QToolButton* add = bar->rightButtons().front();
    EXPECT_EQ(iconImage(add), artwork(ThemeIcons::pixmap(theme(), ThemeImage::menuAddUp)));

    useTheme(GetParam().theme);
    EXPECT_EQ(iconImage(add), artwork(ThemeIcons::pixmap(theme(), ThemeImage::menuAddUp)));
    EXPECT_EQ(add->accessibleName(), QStringLiteral("Add"));
    EXPECT_EQ(isPlain(screen, screen->palette().color(QPalette::Window)), !GetParam().picture);
    add->defaultAction()->setEnabled(false);
    EXPECT_NE(iconImage(add, QIcon::Disabled), iconImage(add));
}

const ThemeRow ThemeRows[] = {
    {"Standard", ApplicationTheme::StandardTheme, false},
    {"Ocean", 0, true},
    {"NoPicturesAfterPictures", ApplicationTheme::NoBackgroundTheme, false},
};
INSTANTIATE_TEST_SUITE_P(Themes, ThemeSwitch, ::testing::ValuesIn(ThemeRows), RowName());

struct PaletteRow {
    const char* name;
    QColor window;
    QColor text;
};

class DesktopPalette : public WindowChrome, public ::testing::WithParamInterface<PaletteRow> {
protected:
    void TearDown() override
    {
        WindowChrome::TearDown();
        QApplication::setPalette(QPalette());
    }
};

// The standard theme is the desktop's look, light or dark, also when it changes.
TEST_P(DesktopPalette, StandardBarAndBackgroundFollowIt)
{
    openWindow();
    useTheme(ApplicationTheme::StandardTheme);
    ViewController* screen = themedScreen();
    m_window->navigation().pushViewController(screen, false);
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, GetParam().window);
    palette.setColor(QPalette::WindowText, GetParam().text);
    QApplication::setPalette(palette);
    QCoreApplication::processEvents();

    NavigationBar* bar = m_window->navigation().navigationBar();
    EXPECT_EQ(bar->grab().toImage().pixelColor(bar->width() / 4, 10), GetParam().window);
    EXPECT_TRUE(isPlain(screen, GetParam().window));
    const bool dark = GetParam().window.lightness() < 128;
    const QString backName =
        ApplicationTheme::imageName(ThemeImage::menuBackUp, ApplicationTheme::StandardTheme, !dark);
    EXPECT_EQ(iconImage(bar->backButton()), artwork(ThemeIcons::resourcePixmap(backName)));
}

const PaletteRow PaletteRows[] = {
    {"Light", QColor(239, 239, 239), QColor(20, 20, 20)},
    {"Dark", QColor(40, 40, 44), QColor(230, 230, 230)},
};
INSTANTIATE_TEST_SUITE_P(Desktop, DesktopPalette, ::testing::ValuesIn(PaletteRows), RowName());

struct KeyRow {
    const char* name;
    bool presented; // the screen is presented rather than pushed
    bool inField;   // the keyboard is in a text field
    bool busy;      // long work runs: the screen shows its overlay and keeps Back off
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool goesBack;
};

class BackKeys : public WindowChrome, public ::testing::WithParamInterface<KeyRow> { };

// Back from the keyboard, except where the key edits text; the screen shown takes the
// keyboard at once.
TEST_P(BackKeys, GoBackUnlessTyping)
{
    const KeyRow& row = GetParam();
    openWindow();
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    NavigationController& navigation = m_window->navigation();
    QPointer<ViewController> screen = new ViewController;
    auto* field = new QLineEdit(QStringLiteral("Ann"), screen);
    if (row.presented)
        navigation.presentViewController(screen, true);
    else
        navigation.pushViewController(screen, true);
    ASSERT_TRUE(waitFor([&] { return !navigation.isAnimating(); }));
    EXPECT_EQ(QApplication::focusWidget(), screen.data());
    if (row.inField)
        field->setFocus();
    if (row.busy) {
        screen->setBackEnabled(false);
        (new BusyOverlay(screen))->startNow(QStringLiteral("Updating"), false);
        EXPECT_FALSE(navigation.navigationBar()->backButton()->isEnabled());
    }

    QTest::keyClick(QApplication::focusWidget(), row.key, row.modifiers);
    const bool gone = waitFor([&] { return screen.isNull(); }, 1000);
    EXPECT_EQ(gone, row.goesBack);
    if (!row.goesBack && row.key == Qt::Key_Backspace) {
        EXPECT_EQ(field->text(), QStringLiteral("An"));
    }
    if (gone) {
        EXPECT_EQ(
            QApplication::focusWidget(), static_cast<QWidget*>(&m_window->mainViewController()));
    }
}

const KeyRow KeyRows[] = {
    {"Backspace", false, false, false, Qt::Key_Backspace, Qt::NoModifier, true},
    {"BackspaceInField", false, true, false, Qt::Key_Backspace, Qt::NoModifier, false},
    {"AltLeft", false, false, false, Qt::Key_Left, Qt::AltModifier, true},
    {"EscapeClosesPresented", true, true, false, Qt::Key_Escape, Qt::NoModifier, true},
    {"BackspaceClosesPresented", true, false, false, Qt::Key_Backspace, Qt::NoModifier, true},
    {"NoWayBackWhileBusy", false, false, true, Qt::Key_Escape, Qt::NoModifier, false},
};
INSTANTIATE_TEST_SUITE_P(Keys, BackKeys, ::testing::ValuesIn(KeyRows), RowName());

struct SizeRow {
    const char* name;
    const char* stored; // nullptr: the window is resized to 500x640 before closing
    QSize expected;
};

class WindowSize : public WindowChrome, public ::testing::WithParamInterface<SizeRow> { };

// The window opens at the size it was closed at; anything else stored is ignored.
TEST_P(WindowSize, RestoredWhenSound)
{
    const SizeRow& row = GetParam();
    openWindow();
    if (row.stored) {
        closeWindow();
        Settings settings(QDir(m_dir.path()).filePath(QStringLiteral("Preferences.plist")));
        settings.load();
        settings.setValue(
            QString::fromLatin1(MainWindow::SizeKey), QString::fromLatin1(row.stored));
        ASSERT_TRUE(settings.synchronize());
    } else {
        m_window->resize(500, 640);
    }
    openWindow();
    EXPECT_EQ(m_window->size(), row.expected);
    if (!row.stored) {
        EXPECT_EQ(m_session->settings().stringValue(QString::fromLatin1(MainWindow::SizeKey)),
            QStringLiteral("500x640"));
    }
}

const SizeRow SizeRows[] = {
    {"ClosedSize", nullptr, {500, 640}},
    {"StoredSize", "400x900", {400, 900}},
    {"Garbage", "wide", MainWindow::DefaultSize},
    {"BelowTheMinimum", "100x100", MainWindow::DefaultSize},
    {"Negative", "-390x780", MainWindow::DefaultSize},
    {"Huge", "99999x780", MainWindow::DefaultSize},
};
INSTANTIATE_TEST_SUITE_P(Sizes, WindowSize, ::testing::ValuesIn(SizeRows), RowName());

// At two device pixels per point icons and pictures are drawn from full-resolution
// artwork, not enlarged from one pixel per point.
TEST_F(WindowChrome, SharpAtTwoPixelsPerPoint)
{
    openWindow();
    useTheme(0);
    ViewController* screen = themedScreen();
    m_window->navigation().pushViewController(screen, false);
    QImage rendered(screen->size() * 2, QImage::Format_ARGB32_Premultiplied);
    rendered.setDevicePixelRatio(2);
    screen->render(&rendered);
    const QImage expected =
        theme()
            .backgroundImage
            .scaled(rendered.size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int offsetX = (expected.width() - rendered.width()) / 2;
    const int offsetY = (expected.height() - rendered.height()) / 2;
    qint64 difference = 0;
    for (int y = 0; y < rendered.height(); y += 3)
        for (int x = 0; x < rendered.width(); x += 3)
            difference += std::abs(
                qGray(rendered.pixel(x, y)) - qGray(expected.pixel(x + offsetX, y + offsetY)));
    EXPECT_LT(difference * 9.0 / (rendered.width() * rendered.height()), 1.0);

    QToolButton* add = m_window->navigation().navigationBar()->rightButtons().front();
    const QPixmap icon = add->icon().pixmap(add->iconSize(), 2.0);
    EXPECT_EQ(icon.devicePixelRatio(), 2.0);
    EXPECT_EQ(icon.size(), add->iconSize() * 2);
}

} // namespace
} // namespace fetemark::test
