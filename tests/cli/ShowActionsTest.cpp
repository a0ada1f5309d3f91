// `fetemark show` lists the actions of the occasion's contact card, as text and as JSON.
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

const test::RunOptions March2027("2027-03-01", "Europe/Berlin", "en_US");

TEST(ShowActions, ListsTheCardsActions)
{
    test::TempDir dir;
    ASSERT_TRUE(test::writeFile(dir.file(u"cleo.vcf"_s),
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cleo Dane\r\nN:Dane;Cleo;;;\r\nBDAY:1980-03-04\r\n"
        "TEL;TYPE=CELL:+49 171 555\r\nEMAIL;TYPE=HOME:cleo@example.org\r\n"
        "ADR;TYPE=HOME:;;Main St 1;Springfield;;12345;Germany\r\nEND:VCARD\r\n"));
    ASSERT_EQ(
        test::runFetemarkIn(dir, {u"contacts"_s, u"import"_s, dir.file(u"cleo.vcf"_s)}, March2027)
            .exitCode,
        0);

    const test::CommandResult text =
        test::runFetemarkIn(dir, {u"show"_s, u"contact-1-birthday"_s}, March2027);
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.endsWith(u"\nPhone number: +49 171 555 (mobile)\n"
                                  "Send email to: cleo@example.org (home)\n"
                                  "Mailing address: Main St 1 Springfield, 12345  (home)\n"_s))
        << text.out.toStdString();

    const test::CommandResult json =
        test::runFetemarkIn(dir, {u"--json"_s, u"show"_s, u"contact-1-birthday"_s}, March2027);
    const QJsonArray actions =
        QJsonDocument::fromJson(json.out.toUtf8()).object().value(u"actions"_s).toArray();
    ASSERT_EQ(actions.size(), 3) << json.out.toStdString();
    const QJsonObject email = actions[1].toObject();
    EXPECT_EQ(email.value(u"actionType"_s).toString(), u"EMAIL"_s);
    EXPECT_EQ(email.value(u"actionURL"_s).toString(),
        u"mailto:cleo@example.org?subject=Happy%20Birthday%21"_s);
    EXPECT_EQ(actions[2].toObject().value(u"actionURL"_s).toString(),
        u"https://www.openstreetmap.org/search?query=Main%20St%201,Springfield%2C%2012345%20,Germany"_s);
}

} // namespace
