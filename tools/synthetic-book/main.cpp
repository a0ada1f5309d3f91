// Fills a data directory with the synthetic book, for measuring the `fetemark` command
// on a large address book by hand:
//
//   fetemark_synthetic_book DIR [--people N] [--photo-every N] [--custom N] [--seed N]
//
// DIR gets AddressBook.sqlite with N made-up people (10,000 by default) and, with
// --custom, that many custom entries spread over the year as the benchmarks make them.
// An existing book in DIR is refused rather than added to.
#include "core/records/CustomEntriesStore.h"
#include "core/records/OccasionRecord.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/files/DataDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace fetemark;

struct Arguments {
    QString directory;
    SyntheticContacts::Options people;
    int customEntries = 0;
    QString zone = QStringLiteral("Europe/Berlin");
};

bool readNumber(const QStringList& args, qsizetype& i, int& out)
{
    if (i + 1 >= args.size())
        return false;
    bool ok = false;
    out = args.at(++i).toInt(&ok);
    return ok && out >= 0;
}

bool parse(const QStringList& args, Arguments& out)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        int value = 0;
        if (a == QLatin1String("--people") && readNumber(args, i, value))
            out.people.people = value;
        else if (a == QLatin1String("--photo-every") && readNumber(args, i, value))
            out.people.photoEvery = value;
        else if (a == QLatin1String("--custom") && readNumber(args, i, value))
            out.customEntries = value;
        else if (a == QLatin1String("--seed") && readNumber(args, i, value))
            out.people.seed = quint32(value);
        else if (!a.startsWith(QLatin1String("--")) && out.directory.isEmpty())
            out.directory = a;
        else
            return false;
    }
    return !out.directory.isEmpty();
}

// Custom entries as the record database benchmark makes them: spread over the year, a
// tenth of them one-time.
std::vector<OccasionRecordPtr> customEntries(int count, const Calendar& calendar)
{
    std::vector<OccasionRecordPtr> entries;
    for (int i = 0; i < count; ++i) {
        auto r = std::make_shared<OccasionRecord>();
        r->isCustomEntry = true;
        r->customID = QStringLiteral("SYNTHETIC-%1").arg(i, 6, 10, QLatin1Char('0'));
        r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
        r->name = QStringLiteral("Entry %1 Someone").arg(i);
        r->type = i % 3;
        r->otherDateLabel =
            r->type == OccasionRecord::OtherDate ? QStringLiteral("Name day") : QStringLiteral("");
        r->rawDate = calendar.date(1950 + i % 70, 1 + i % 12, 1 + (i * 7) % 28);
        if (i % 10 == 0) {
            r->onetime = true;
            r->oneTimeYear = 2027;
            r->rawDate = calendar.date(2027, 1 + i % 12, 1 + (i * 7) % 28);
        }
        r->notes = QStringLiteral("note %1").arg(i);
        entries.push_back(r);
    }
    return entries;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Arguments args;
    if (!parse(app.arguments(), args)) {
        std::fprintf(stderr,
            "usage: fetemark_synthetic_book DIR [--people N] [--photo-every N] [--custom N] "
            "[--seed N]\n");
        return 2;
    }
    const QString path = QDir(args.directory).filePath(QStringLiteral("AddressBook.sqlite"));
    if (!DataDirectory::create(args.directory) || QFileInfo::exists(path)) {
        std::fprintf(stderr, "%s exists already or cannot be made\n", qPrintable(path));
        return 1;
    }
    QString error;
    auto book = AddressBook::create(path, &error);
    if (!book || SyntheticContacts::fill(*book, args.people) != args.people.people) {
        std::fprintf(
            stderr, "cannot make the book: %s\n", qPrintable(book ? book->lastError() : error));
        return 1;
    }
    if (args.customEntries > 0) {
        const Calendar calendar(args.zone);
        const SystemClock clock;
        const CustomEntriesStore store(args.directory, clock);
        if (!store.writeCustomEntries(
                customEntries(args.customEntries, calendar), {}, calendar, &error)) {
            std::fprintf(stderr, "cannot write the custom entries: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::printf("%s: %d people, %d custom entries\n", qPrintable(args.directory),
        args.people.people, args.customEntries);
    return 0;
}
