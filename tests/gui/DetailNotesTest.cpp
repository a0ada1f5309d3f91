#include "gui/DetailPage.h"

#include "gui/detail/DetailedInfoCells.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace fetemark::test {
namespace {

constexpr const char* Card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\n"
                             "UID:anna-1\r\nBDAY:1990-03-05\r\nEND:VCARD\r\n";

struct NotesRow {
    const char* name;
    bool contact;
    int addressBookNotes;
    const char* editorTitle;
};

class DetailNotesTest : public DetailPageFixture, public testing::WithParamInterface<NotesRow> {
protected:
    QString occasion() const
    {
        return GetParam().contact ? QStringLiteral("Anna Berg") : QStringLiteral("Lea");
    }
};

// Notes written on the page are found there again after a restart, in the store the
// kind of occasion and the notes setting choose.
TEST_P(DetailNotesTest, NotesWrittenOnThePageSurviveARestart)
{
    const NotesRow& row = GetParam();
    if (row.contact) {
        ASSERT_TRUE(writeFile(m_dir.file(QStringLiteral("anna.vcf")), Card));
        ASSERT_EQ(
            fetemark({"contacts", "import", m_dir.file(QStringLiteral("anna.vcf"))}).exitCode, 0);
    } else {
        ASSERT_EQ(fetemark({"custom", "add", "--name", "Lea", "--date", "2001-03-09"}).exitCode, 0);
    }
    ASSERT_EQ(
        fetemark({"settings", "set", "addressbooknotes", QString::number(row.addressBookNotes)})
            .exitCode,
        0);
    openWindow();
    DetailedInfoViewController* page = openPage(occasion());
    ASSERT_TRUE(page && page->notesRow());
    EXPECT_EQ(page->notesRow()->label()->text(), QStringLiteral("Notes")); // the placeholder

    emit page->notesRow()->activated();
    settle();
    auto* editor =
        qobject_cast<TextEntryViewController*>(m_window->navigation().topViewController());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), QString::fromUtf8(row.editorTitle));
    editor->editor()->setPlainText(QStringLiteral("Bring tulips\nand the photo album"));
    editor->save();
    settle();
    ASSERT_EQ(m_window->navigation().topViewController(), page);
    EXPECT_EQ(
        page->notesRow()->label()->text(), QStringLiteral("Bring tulips\nand the photo album"));

    openWindow();
    page = openPage(occasion());
    ASSERT_TRUE(page && page->notesRow());
    EXPECT_EQ(
        page->notesRow()->label()->text(), QStringLiteral("Bring tulips\nand the photo album"));
    if (row.contact) {
        const QString card = fetemark({"contacts", "export"}).out;
        EXPECT_EQ(card.contains(QStringLiteral("Bring tulips")), row.addressBookNotes != 0)
            << card.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, DetailNotesTest,
    testing::Values(NotesRow {"customEntry", false, 1, "Fetemark Notes"},
        NotesRow {"contactInFetemark", true, 0, "Fetemark Notes"},
        NotesRow {"contactOnCard", true, 1, "Contact Notes"}),
    RowName());

} // namespace
} // namespace fetemark::test
