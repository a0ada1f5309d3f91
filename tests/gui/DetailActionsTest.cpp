#include "gui/DetailPage.h"

#include "gui/detail/DetailedInfoCells.h"

#include <QLabel>

namespace fetemark::test {
namespace {

constexpr const char* Card =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Okafor;Chidi;;;\r\nFN:Chidi Okafor\r\n"
    "UID:chidi-1\r\nBDAY:1985-03-20\r\n"
    "TEL;TYPE=CELL:+49 170 1234567\r\nTEL;TYPE=HOME:030 987654\r\n"
    "EMAIL;TYPE=HOME:chidi@example.org\r\nEND:VCARD\r\n";

class FakeComposer : public MailComposer {
public:
    explicit FakeComposer(QList<MailDraft>* drafts) : m_drafts(drafts) { }
    bool compose(const MailDraft& draft, QString*) override
    {
        m_drafts->append(draft);
        return true;
    }

private:
    QList<MailDraft>* m_drafts;
};

class DetailActionsTest : public DetailPageFixture {
protected:
    DetailedInfoViewController* openChidi()
    {
        EXPECT_TRUE(writeFile(m_dir.file(QStringLiteral("chidi.vcf")), Card));
        EXPECT_EQ(
            fetemark({"contacts", "import", m_dir.file(QStringLiteral("chidi.vcf"))}).exitCode, 0);
        openWindow();
        return openPage(QStringLiteral("Chidi Okafor"));
    }
};

// Each action row asks first and opens its link only when confirmed; the rows come in
// the card's order, calls before messages before mail.
TEST_F(DetailActionsTest, ActionRowsOpenTheirLinksAfterConfirming)
{
    DetailedInfoViewController* page = openChidi();
    ASSERT_TRUE(page);
    QStringList captions;
    for (DetailedInfoTableViewCell* cell : page->actionCells())
        captions << cell->typeLabel()->text() + QLatin1Char(' ') + cell->detailLabel()->text();
    const QStringList expected {QStringLiteral("Place call to: +49 170 1234567 (mobile)"),
        QStringLiteral("Place call to: 030 987654 (home)"),
        QStringLiteral("Send message to: +49 170 1234567 (mobile)"),
        QStringLiteral("Send message to: 030 987654 (home)"),
        QStringLiteral("Send email to: chidi@example.org (home)")};
    EXPECT_EQ(captions, expected);
    // The page fits the window: as much room right of the rows as left of them.
    const QWidget* row = page->actionCells().front();
    EXPECT_EQ(row->mapTo(page, QPoint(0, 0)).x(),
        page->width() - row->mapTo(page, QPoint(row->width(), 0)).x());

    for (DetailedInfoTableViewCell* cell : page->actionCells()) {
        emit cell->activated();
        ASSERT_TRUE(answer(ChoiceSheet::Role::Normal));
    }
    EXPECT_EQ(m_opened.join(QLatin1Char(' ')).toStdString(),
        QStringList(
            {QStringLiteral("tel:+49%20170%201234567"), QStringLiteral("tel:030%20987654"),
                QStringLiteral("sms:+49%20170%201234567"), QStringLiteral("sms:030%20987654"),
                QStringLiteral("mailto:chidi@example.org?subject=Happy%20Birthday%21")})
            .join(QLatin1Char(' '))
            .toStdString());

    // Cancelled, nothing opens.
    emit page->actionCells().front()->activated();
    ASSERT_TRUE(answer(ChoiceSheet::Role::Cancel));
    EXPECT_EQ(m_opened.size(), 5);
}

// With a mail program the mail is written there at once, with the greeting as subject.
TEST_F(DetailActionsTest, MailGoesToTheMailProgramWithoutAsking)
{
    DetailedInfoViewController* page = openChidi();
    ASSERT_TRUE(page);
    QList<MailDraft> drafts;
    page->setMailComposer(std::make_unique<FakeComposer>(&drafts));
    emit page->actionCells().back()->activated();
    ASSERT_EQ(drafts.size(), 1);
    EXPECT_EQ(drafts.front().recipients, QStringList {QStringLiteral("chidi@example.org")});
    EXPECT_EQ(drafts.front().subject, QStringLiteral("Happy Birthday!"));
    EXPECT_EQ(openSheet(), nullptr);
}

} // namespace
} // namespace fetemark::test
