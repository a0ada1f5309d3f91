#include "GuiFixture.h"

#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/list/OccasionListModel.h"
#include "gui/list/OccasionTableViewCell.h"
#include "gui/list/SearchBar.h"
#include "gui/navigation/NavigationController.h"
#include "gui/screens/DetailedInfoViewController.h"
#include "gui/screens/MainViewController.h"
#include "gui/widgets/ChoiceSheet.h"

#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QToolButton>

namespace fetemark::test {
namespace {

class MainListTest : public GuiFixture {
protected:
    MainViewController& main() { return m_window->mainViewController(); }

    void openLoaded()
    {
        openWindow();
        ASSERT_TRUE(waitFor([&] { return main().isLoaded() && !main().isUpdating(); }));
    }

    void addCustom(const char* name, const char* date)
    {
        const CommandResult result =
            fetemark({QStringLiteral("custom"), QStringLiteral("add"), QStringLiteral("--name"),
                QString::fromUtf8(name), QStringLiteral("--date"), QString::fromLatin1(date)});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    }

    void importContact(const char* name, const char* birthday)
    {
        const QString path = m_dir.path() + QStringLiteral("/people.vcf");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:%1\r\nN:%1;;;;\r\nBDAY:%2\r\n"
                                  "END:VCARD\r\n")
                       .arg(QString::fromUtf8(name), QString::fromLatin1(birthday))
                       .toUtf8());
        file.close();
        const CommandResult result =
            fetemark({QStringLiteral("contacts"), QStringLiteral("import"), path});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    }

    QStringList names()
    {
        QStringList all;
        for (const OccasionRecordPtr& record : main().list().records())
            all << record->name;
        return all;
    }

    int flatIndexOf(const char* name) { return int(names().indexOf(QString::fromUtf8(name))); }

    void search(const QString& text)
    {
        if (!main().showsSearch())
            main().toggleSearch(false);
        main().searchBar()->activeField()->setText(text);
    }

    bool showsEmptyView()
    {
        const OccasionListModel& model = main().model();
        return model.rowCount() == 1 && model.item(0).kind == OccasionListModel::Kind::Empty;
    }

    // Selects the row, presses Delete and answers the question with its destructive button.
    void deleteConfirmed(const char* name)
    {
        const int flat = flatIndexOf(name);
        ASSERT_GE(flat, 0);
        main().listView()->setFocus();
        QTest::keyClick(main().listView(), Qt::Key_Down);
        while (main().currentFlatIndex() < flat)
            QTest::keyClick(main().listView(), Qt::Key_Down);
        QTest::keyClick(main().listView(), Qt::Key_Delete);
        auto* sheet = m_window->findChild<ChoiceSheet*>();
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->tag(), 1000 + flat);
        QTest::mouseClick(
            sheet->button(sheet->indexOf(ChoiceSheet::Role::Destructive)), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

struct SearchRow {
    const char* name;
    const char* text;
    QStringList expected;
};

class MainListSearch : public MainListTest, public ::testing::WithParamInterface<SearchRow> { };

TEST_P(MainListSearch, ShowsTheMatchingRows)
{
    addCustom("Anna Smith", "1990-03-10");
    addCustom("Bob Miller", "1985-04-02");
    openLoaded();
    search(QString::fromLatin1(GetParam().text));
    EXPECT_EQ(names(), GetParam().expected);
    EXPECT_EQ(showsEmptyView(), GetParam().expected.isEmpty());
}

const SearchRow SearchRows[] = {
    {"TwoWordsOneNameWord", "an an", {QStringLiteral("Anna Smith")}},
    {"CaseInsensitive", "MIL", {QStringLiteral("Bob Miller")}},
    {"AnchoredAtWordStart", "mit", {}},
    {"WhitespaceOnlyIsEmpty", "   ", {}},
    {"NoText", "", {QStringLiteral("Anna Smith"), QStringLiteral("Bob Miller")}},
};
INSTANTIATE_TEST_SUITE_P(Texts, MainListSearch, ::testing::ValuesIn(SearchRows),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainListTest, FilterButtonPassesOverSourcesSwitchedOff)
{
    addCustom("Anna Smith", "1990-03-10");
    openLoaded();
    m_session->settings().setValue(QString(Key::ShowHolidays), false);
    m_session->settings().setValue(QString(Key::ShowFacebook), false);
    search(QString());
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(main().searchBar()->filterButton(), Qt::LeftButton);
        seen.push_back(main().list().filterMode());
    }
    EXPECT_EQ(seen, (std::vector<int> {1, 2, 3, 0}));
    EXPECT_EQ(main().searchBar()->activeField()->placeholderText(), QStringLiteral("Search All"));
}

TEST_F(MainListTest, CtrlFOpensTheSearchBarAndKeepsTheChoice)
{
    openLoaded();
    m_window->activateWindow();
    main().listView()->setFocus();
    const bool shownBefore = main().showsSearch();
    if (shownBefore)
        main().toggleSearch(false);
    QTest::keyClick(main().listView(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(main().showsSearch());
    EXPECT_TRUE(main().searchBar()->isVisible());
    EXPECT_TRUE(m_session->settings().boolValue(QString(Key::ShowSearch)));
}

TEST_F(MainListTest, ReminderToggleIsKeptOverARestart)
{
    addCustom("Anna Smith", "1990-03-05");
    openLoaded();
    const int flat = flatIndexOf("Anna Smith");
    ASSERT_GE(flat, 0);
    main().listView()->scrollToTop();
    const QRect rect = main().visualRectOfRow(flat);
    const bool large = m_session->settings().boolValue(QString(Key::LargeRows));
    const QPoint toggle = OccasionCellLayout::make(rect, large, true).toggle.center().toPoint();
    QTest::mouseClick(main().listView()->viewport(), Qt::LeftButton, {}, toggle);
    ASSERT_TRUE(main().list().records()[std::size_t(flat)]->ignoreForUpcoming);
    openLoaded(); // a restart: the window closes and the session terminates
    ASSERT_GE(flatIndexOf("Anna Smith"), 0);
    EXPECT_TRUE(main().list().records()[std::size_t(flatIndexOf("Anna Smith"))]->ignoreForUpcoming);
}

TEST_F(MainListTest, DeletingACustomEntryRemovesItsSectionThenLeavesTheEmptyView)
{
    addCustom("Anna Smith", "1990-03-10");
    addCustom("Bob Miller", "1985-06-02");
    openLoaded();
    const std::size_t sections = main().list().groupsArray().size();
    deleteConfirmed("Anna Smith");
    EXPECT_EQ(names(), QStringList {QStringLiteral("Bob Miller")});
    EXPECT_EQ(main().list().groupsArray().size(), sections - 1);
    deleteConfirmed("Bob Miller");
    EXPECT_TRUE(showsEmptyView());
    openLoaded();
    EXPECT_TRUE(names().isEmpty());
}

TEST_F(MainListTest, DeletingAContactsBirthdayTakesItOffTheCard)
{
    importContact("Carla Weber", "1980-03-20");
    openLoaded();
    ASSERT_GE(flatIndexOf("Carla Weber"), 0);
    deleteConfirmed("Carla Weber");
    EXPECT_LT(flatIndexOf("Carla Weber"), 0);
    const CommandResult listed = fetemark({QStringLiteral("contacts"), QStringLiteral("list")});
    EXPECT_TRUE(listed.out.contains(QStringLiteral("Carla"))) << listed.out.toStdString();
    EXPECT_FALSE(listed.out.contains(QStringLiteral("1980"))) << listed.out.toStdString();
}

TEST_F(MainListTest, CancellingTheQuestionKeepsTheRow)
{
    addCustom("Anna Smith", "1990-03-10");
    openLoaded();
    main().deleteRow(flatIndexOf("Anna Smith"));
    auto* sheet = m_window->findChild<ChoiceSheet*>();
    ASSERT_NE(sheet, nullptr);
    QTest::mouseClick(sheet->button(sheet->indexOf(ChoiceSheet::Role::Cancel)), Qt::LeftButton);
    EXPECT_EQ(names(), QStringList {QStringLiteral("Anna Smith")});
}

TEST_F(MainListTest, ReloadsWhenAnotherProgramAddsAnEntry)
{
    addCustom("Anna Smith", "1990-03-10");
    openLoaded();
    addCustom("Carl Neumann", "1970-05-01");
    EXPECT_TRUE(waitFor([&] { return flatIndexOf("Carl Neumann") >= 0 && !main().isUpdating(); }));
}

TEST_F(MainListTest, AChangeElsewhereDropsTheOpenQuestionWithoutDeleting)
{
    addCustom("Anna Smith", "1990-03-10");
    openLoaded();
    main().deleteRow(flatIndexOf("Anna Smith"));
    QPointer<ChoiceSheet> sheet = m_window->findChild<ChoiceSheet*>();
    ASSERT_FALSE(sheet.isNull());
    addCustom("Carl Neumann", "1970-05-01");
    EXPECT_TRUE(waitFor([&] { return flatIndexOf("Carl Neumann") >= 0 && !main().isUpdating(); }));
    EXPECT_TRUE(waitFor([&] { return sheet.isNull() || !sheet->isVisible(); }));
    EXPECT_GE(flatIndexOf("Anna Smith"), 0);
}

TEST_F(MainListTest, EnterOpensTheOccasionAndBackReturnsToItsRow)
{
    addCustom("Anna Smith", "1990-03-10");
    addCustom("Bob Miller", "1985-06-02");
    openLoaded();
    main().listView()->setFocus();
    QTest::keyClick(main().listView(), Qt::Key_Down);
    QTest::keyClick(main().listView(), Qt::Key_Down);
    QTest::keyClick(main().listView(), Qt::Key_Return);
    NavigationController& navigation = m_window->navigation();
    auto* detail = qobject_cast<DetailedInfoViewController*>(navigation.topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->record()->name, QStringLiteral("Bob Miller"));
    ASSERT_TRUE(waitFor([&] { return !navigation.isAnimating(); }));
    detail->backPressed();
    ASSERT_TRUE(waitFor([&] { return !navigation.isAnimating(); }));
    EXPECT_EQ(navigation.topViewController(), &main());
    EXPECT_EQ(main().currentFlatIndex(), flatIndexOf("Bob Miller"));
    EXPECT_TRUE(waitFor([&] { return main().selectedFlatIndex() < 0; })); // flashed off
    EXPECT_EQ(main().currentFlatIndex(), flatIndexOf("Bob Miller"));
}

TEST_F(MainListTest, RowsReadOutNameAndPhraseAndTheStripFollowsTheRebuild)
{
    addCustom("Anna Smith", "1990-03-10");
    openLoaded();
    const OccasionListModel& model = main().model();
    const QModelIndex row = model.index(model.modelRowOfFlatIndex(0));
    const QString spoken = row.data(OccasionListModel::AccessibleTextRole).toString();
    EXPECT_TRUE(spoken.startsWith(QStringLiteral("Anna Smith, "))) << spoken.toStdString();
    EXPECT_GT(spoken.size(), QStringLiteral("Anna Smith, ").size());
    m_session->app().sendProviderData(false);
    EXPECT_TRUE(main().updatingNotificationsStrip()->isVisible());
    EXPECT_TRUE(waitFor([&] { return !main().updatingNotificationsStrip()->isVisible(); }));
}

// A new data directory gets its address book from the window's first load; that is no
// change from elsewhere, and a screen opened meanwhile stays.
TEST_F(MainListTest, TheFirstLoadOfANewDirectoryIsNoChangeFromElsewhere)
{
    openLoaded();
    auto* screen = new ViewController;
    m_window->navigation().pushViewController(screen, false);
    QTest::qWait(2500);
    EXPECT_EQ(m_window->navigation().depth(), 2);
}

TEST_F(MainListTest, SwitchingThemeKeepsTheSearchText)
{
    addCustom("Anna Smith", "1990-03-10");
    openLoaded();
    search(QStringLiteral("an"));
    for (int theme : {0, ApplicationTheme::StandardTheme, 0}) {
        m_session->settings().setValue(QString(Key::ApplicationTheme), theme);
        main().applyThemeSetting();
        SearchBar& bar = *main().searchBar();
        EXPECT_EQ(bar.activeField(), theme == 0 ? bar.searchText() : bar.searchTextStandard());
        EXPECT_EQ(bar.text(), QStringLiteral("an")) << theme;
        EXPECT_TRUE(bar.activeField()->isVisible());
    }
    EXPECT_EQ(names(), QStringList {QStringLiteral("Anna Smith")});
}

TEST_F(MainListTest, RowHeightFollowsTheLargeRowsSetting)
{
    addCustom("Anna Smith", "1990-03-10");
    openLoaded();
    for (bool large : {false, true, false}) {
        m_session->settings().setValue(QString(Key::LargeRows), large);
        main().applyThemeSetting();
        EXPECT_EQ(main().visualRectOfRow(0).height(),
            large ? OccasionCellLayout::LargeHeight : OccasionCellLayout::NormalHeight);
    }
}

TEST_F(MainListTest, RowPartsLieInsideTheirRows)
{
    addCustom("Anna Smith", "1990-03-10");
    addCustom("Bob Miller", "1985-06-02");
    openLoaded();
    for (bool large : {false, true}) {
        for (bool photos : {false, true}) {
            const QRect rect = main().visualRectOfRow(0);
            ASSERT_FALSE(rect.isEmpty());
            const OccasionCellLayout l = OccasionCellLayout::make(rect, large, photos);
            for (const QRectF& part : {l.name, l.date, l.detail, l.toggle, l.typeIcon})
                EXPECT_TRUE(l.background.contains(part)) << large << photos;
            EXPECT_FALSE(l.name.intersects(l.toggle)) << large << photos;
            EXPECT_LE(l.background.height(), rect.height());
        }
    }
}

} // namespace
} // namespace fetemark::test
