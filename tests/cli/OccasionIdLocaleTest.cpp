// A contact's date keeps its id, its calendar UID and the user's choices in whatever
// language `fetemark` runs, also for choices stored by earlier versions under a
// translated word.
#include "core/records/CustomEntriesStore.h"
#include "core/time/Calendar.h"
#include "platform/addressbook/AddressBook.h"

#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

test::RunOptions at(const char* locale)
{
    return test::RunOptions("2026-03-05", "Europe/Berlin", locale);
}

// Lena's two dates without a label, by day ("2026-07-04") → {id, alertsOff, ignoreYear}.
QMap<QString, QJsonObject> lenasDates(const test::TempDir& dir, const char* locale)
{
    const test::CommandResult r = test::runFetemarkIn(dir, {u"--json"_s, u"list"_s}, at(locale));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QMap<QString, QJsonObject> dates;
    for (const QJsonValue& group :
        QJsonDocument::fromJson(r.out.toUtf8()).object().value(u"groups"_s).toArray()) {
        for (const QJsonValue& row : group.toObject().value(u"rows"_s).toArray()) {
            const QJsonObject o = row.toObject();
            dates.insert(o.value(u"sortDate"_s).toString(),
                QJsonObject {{u"id"_s, o.value(u"id"_s)}, {u"alertsOff"_s, o.value(u"alertsOff"_s)},
                    {u"ignoreYear"_s, o.value(u"ignoreYear"_s)}});
        }
    }
    return dates;
}

// A book with Lena's two unlabelled dates, and the choices an English run (alerts off on
// the first) and a German run (year left out on the second) of earlier versions stored
// under their words for "date".
void writeOldData(const test::TempDir& dir)
{
    Person lena;
    lena.firstName = u"Lena"_s;
    lena.lastName = u"Lind"_s;
    lena.dates = {{QString(), QDate(2015, 4, 9)}, {QString(), QDate(2012, 7, 4)}};
    const auto book = AddressBook::create(dir.file(u"AddressBook.sqlite"_s));
    const std::int32_t id = book->addPerson(lena);
    ASSERT_TRUE(id != -1 && book->save());

    const Calendar berlin(u"Europe/Berlin"_s);
    auto choice = [&](const QString& word, const QDate& day) {
        auto r = std::make_shared<OccasionRecord>();
        r->recordID = id;
        r->type = OccasionRecord::OtherDate;
        r->otherDateLabel = word;
        r->rawDate = berlin.date(day.year(), day.month(), day.day());
        return r;
    };
    const OccasionRecordPtr english = choice(u"date"_s, QDate(2015, 4, 9));
    english->alertsOff = true;
    const OccasionRecordPtr german = choice(u"Datum"_s, QDate(2012, 7, 4));
    german->ignoreYear = true;
    ASSERT_TRUE(CustomEntriesStore(dir.path()).writeCustomEntries({english, german}, {}, berlin));
}

} // namespace

TEST(OccasionIdLocale, ChoicesOfOldWordsAreKeptAndCarriedOverAndUidsStay)
{
    const test::TempDir dir;
    writeOldData(dir);
    const QString entries = dir.file(u"CustomEntries.plist"_s);
    const QByteArray before = test::readFile(entries);

    const auto french = lenasDates(dir, "fr_FR");
    ASSERT_EQ(french.size(), 2);
    EXPECT_TRUE(french[u"2026-04-09"_s][u"alertsOff"_s].toBool());
    EXPECT_TRUE(french[u"2026-07-04"_s][u"ignoreYear"_s].toBool());
    EXPECT_EQ(test::readFile(entries), before) << "a command that only reads writes nothing";

    // A command that writes stores the choices under the dates' own labels.
    const QString id = french[u"2026-04-09"_s][u"id"_s].toString();
    ASSERT_EQ(
        test::runFetemarkIn(dir, {u"notes"_s, u"set"_s, id, u"Cake"_s}, at("de_DE")).exitCode, 0);
    const auto stored = CustomEntriesStore(dir.path()).loadEntries();
    ASSERT_EQ(stored.size(), 2u);
    for (const OccasionRecordPtr& r : stored)
        EXPECT_EQ(r->otherDateLabel, u"_$!<Date>!$_"_s);

    for (const char* locale : {"en_US", "de_DE", "ru_RU"})
        EXPECT_EQ(lenasDates(dir, locale), french) << locale;

    // A calendar subscribed to the export sees the same events in every language.
    const QRegularExpression uid(u"^UID:.*$"_s, QRegularExpression::MultilineOption);
    QStringList uids[2];
    for (int i : {0, 1}) {
        const auto r = test::runFetemarkIn(dir, {u"export"_s, u"ics"_s}, at(i ? "de_DE" : "en_US"));
        for (auto it = uid.globalMatch(r.out); it.hasNext();)
            uids[i] << it.next().captured().trimmed();
    }
    EXPECT_EQ(uids[0].size(), 2);
    EXPECT_EQ(uids[0], uids[1]);
}
