#include "gui/DetailPage.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "gui/detail/DetailRow.h"
#include "gui/detail/NotesViewController.h"
#include "gui/detail/ThemedSwitch.h"

#include <QLabel>

namespace fetemark::test {
namespace {

class NotesSettingsTest : public DetailPageFixture { };

// Both notes settings are stored as soon as they are switched, and the check mark
// follows the chosen store.
TEST_F(NotesSettingsTest, ChoicesAreStoredAtOnce)
{
    openWindow();
    auto* notes = new NotesViewController(*m_session);
    push(notes);
    ASSERT_EQ(notes->optionRows().size(), 2u);
    EXPECT_EQ(notes->selectedIndex(), 0);
    EXPECT_TRUE(notes->showNotesSwitch()->isChecked());
    EXPECT_EQ(notes->showNotesSwitch()->accessibleName(), QStringLiteral("Show Notes"));
    EXPECT_FALSE(notes->optionRows()[0]->accessory()->property("pixmap").value<QPixmap>().isNull());

    QTest::mouseClick(notes->showNotesSwitch(), Qt::LeftButton);
    QTest::mouseClick(notes->optionRows()[1], Qt::LeftButton);
    EXPECT_EQ(notes->selectedIndex(), 1);
    EXPECT_TRUE(notes->optionRows()[0]->accessory()->property("pixmap").value<QPixmap>().isNull());
    // Stored already: the command, another program, reads them while the window is open.
    EXPECT_EQ(fetemark({"settings", "get", "addressbooknotes"}).out.trimmed(), QStringLiteral("1"));
    EXPECT_EQ(fetemark({"settings", "get", "shownotes"}).out.trimmed(), QStringLiteral("NO"));

    openWindow();
    notes = new NotesViewController(*m_session);
    push(notes);
    EXPECT_EQ(notes->selectedIndex(), 1);
    EXPECT_FALSE(notes->showNotesSwitch()->isChecked());
}

} // namespace
} // namespace fetemark::test
