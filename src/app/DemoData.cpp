#include "DemoData.h"

#include "app/DataLocations.h"

#include "core/records/CustomEntriesStore.h"
#include "core/records/OccasionRecord.h"
#include "core/time/Calendar.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/files/AtomicFile.h"

#include <QDir>
#include <QFile>

namespace fetemark::DemoData {
namespace {

const QString FilledMark = QStringLiteral("Demo.filled");
const QString FillingMark = QStringLiteral("Demo.filling");

struct Entry {
    const char* name;
    int type;
    int month, day, year; // year 0: without year
    const char* label;
    bool once;
};

// Entries kept only in Fetemark, of every kind.
constexpr Entry kEntries[] = {
    {"Grandma Rose", 0, 3, 4, 1940, "", false},
    {"Max (dog)", 0, 7, 12, 2019, "", false},
    {"Mum & Dad", 1, 6, 21, 1975, "", false},
    {"Office anniversary", 1, 9, 1, 2016, "", false},
    {"Car insurance renewal", 2, 11, 30, 0, "Renewal", false},
    {"Book club", 2, 1, 15, 0, "Meeting", false},
    {"Lea's graduation", 2, 5, 28, 0, "Graduation", true},
    {"Concert", 2, 8, 14, 0, "Tickets", true},
    {"Godchild Tom", 0, 2, 29, 2012, "", false},
    {"Wedding of Kai & Ana", 1, 10, 3, 2020, "", false},
};

} // namespace

QString defaultDirectory()
{
    const QString home = DataLocations::dataHome();
    return home.isEmpty() ? QString() : home + QStringLiteral("/fetemark-demo");
}

bool ensureFilled(
    const QString& directory, const QString& timeZoneId, const QDateTime& now, QString* error)
{
    const QDir dir(directory);
    if (QFile::exists(dir.filePath(FilledMark)))
        return true;
    if (!QDir().mkpath(directory)) {
        if (error)
            *error = QStringLiteral("cannot create the demo folder %1").arg(directory);
        return false;
    }
    const QStringList ours {QStringLiteral("AddressBook.sqlite*"), QStringLiteral("*.plist")};
    const QStringList present = dir.entryList(ours, QDir::Files);
    // Only a folder that is empty or that an interrupted fill left is filled: never one
    // that holds somebody's own data.
    if (!present.isEmpty() && !QFile::exists(dir.filePath(FillingMark))) {
        if (error)
            *error = QStringLiteral(
                "%1 holds Fetemark data that is not the demo; --demo needs a folder of its own")
                         .arg(directory);
        return false;
    }
    if (!AtomicFile::write(dir.filePath(FillingMark), QByteArray("filling\n"), error))
        return false;
    for (const QString& name : present)
        QFile::remove(dir.filePath(name));

    auto book = AddressBook::create(dir.filePath(QStringLiteral("AddressBook.sqlite")), error);
    if (!book)
        return false;
    if (SyntheticContacts::fill(*book, {People, 2027, 4}) != People) {
        if (error)
            *error = QStringLiteral("cannot fill the demo address book: %1").arg(book->lastError());
        return false;
    }

    const Calendar calendar(timeZoneId);
    const int thisYear = calendar.components(now).year;
    std::vector<OccasionRecordPtr> entries;
    int n = 0;
    for (const Entry& e : kEntries) {
        auto r = std::make_shared<OccasionRecord>();
        r->isCustomEntry = true;
        r->customID = QStringLiteral("DEMO-%1").arg(++n, 4, 10, QLatin1Char('0'));
        r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
        r->name = QString::fromUtf8(e.name);
        r->type = e.type;
        r->otherDateLabel = QString::fromUtf8(e.label);
        r->ignoreYear = e.year == 0;
        r->onetime = e.once;
        const int year = e.once ? thisYear + (calendar.date(thisYear, e.month, e.day) < now ? 1 : 0)
                                : (e.year == 0 ? Person::NoYear : e.year);
        r->oneTimeYear = e.once ? year : 0;
        r->rawDate = calendar.date(year, e.month, e.day);
        entries.push_back(r);
    }
    if (!CustomEntriesStore(directory).writeCustomEntries(entries, {}, calendar, error))
        return false;
    if (!AtomicFile::write(dir.filePath(FilledMark), QByteArray("filled\n"), error))
        return false;
    QFile::remove(dir.filePath(FillingMark));
    return true;
}

} // namespace fetemark::DemoData
