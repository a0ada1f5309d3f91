#include "ContactsCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"

#include "platform/addressbook/AddressBook.h"
#include "platform/addressbook/AddressBookRepair.h"
#include "platform/files/AtomicFile.h"
#include "platform/vcard/ContactsTransfer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fetemark::cli {
namespace {

// A day as people write it; a day without year as "--MM-DD".
QString dayText(const QDate& date)
{
    if (!date.isValid())
        return {};
    if (date.year() == Person::NoYear)
        return QStringLiteral("--%1-%2")
            .arg(date.month(), 2, 10, QLatin1Char('0'))
            .arg(date.day(), 2, 10, QLatin1Char('0'));
    return date.toString(Qt::ISODate);
}

QString fullName(const Person& p)
{
    QStringList parts;
    for (const QString& part : {p.prefix, p.firstName, p.middleName, p.lastName, p.suffix}) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.isEmpty() ? p.organization : parts.join(QLatin1Char(' '));
}

template<typename T, typename F>
QJsonArray labeledArray(const std::vector<Labeled<T>>& values, F&& toJson)
{
    QJsonArray array;
    for (const Labeled<T>& v : values)
        array.append(QJsonObject {
            {QStringLiteral("label"), v.label.isNull() ? QJsonValue() : QJsonValue(v.label)},
            {QStringLiteral("value"), toJson(v.value)}});
    return array;
}

QJsonObject personJson(const Person& p, const QJsonArray& groups)
{
    auto text = [](const QString& s) { return QJsonValue(s); };
    return QJsonObject {
        {QStringLiteral("recordID"), p.recordID},
        {QStringLiteral("name"), fullName(p)},
        {QStringLiteral("prefix"), p.prefix},
        {QStringLiteral("firstName"), p.firstName},
        {QStringLiteral("middleName"), p.middleName},
        {QStringLiteral("lastName"), p.lastName},
        {QStringLiteral("suffix"), p.suffix},
        {QStringLiteral("nickname"), p.nickname},
        {QStringLiteral("organization"), p.organization},
        {QStringLiteral("note"), p.note},
        {QStringLiteral("uid"), p.uid},
        {QStringLiteral("birthday"),
            p.birthday.isValid() ? QJsonValue(dayText(p.birthday)) : QJsonValue()},
        {QStringLiteral("dates"),
            labeledArray(p.dates, [](const QDate& d) { return QJsonValue(dayText(d)); })},
        {QStringLiteral("phones"), labeledArray(p.phones, text)},
        {QStringLiteral("emails"), labeledArray(p.emails, text)},
        {QStringLiteral("urls"), labeledArray(p.urls, text)},
        {QStringLiteral("addresses"),
            labeledArray(p.addresses,
                [](const PostalAddress& a) {
                    return QJsonValue(QJsonObject {{QStringLiteral("street"), a.street},
                        {QStringLiteral("city"), a.city}, {QStringLiteral("state"), a.state},
                        {QStringLiteral("zip"), a.zip}, {QStringLiteral("country"), a.country}});
                })},
        {QStringLiteral("groups"), groups},
        {QStringLiteral("hasImage"), p.hasImage},
    };
}

QString bookPath(const CommandContext& context)
{
    return QDir::toNativeSeparators(
        QDir(context.dataDirectory).filePath(QStringLiteral("AddressBook.sqlite")));
}

// Imports change nothing in a damaged book: a write may land on a damaged page and make
// more of it unreadable, and what was imported could not be read back anyway.
QString damageBeforeImport(const CommandContext& context)
{
    const auto result = AddressBookRepair::check(bookPath(context));
    if (!result.damaged)
        return QString();
    return QStringLiteral("the address book %1 is damaged (%2); nothing was imported. Run "
                          "'fetemark contacts recover' to save what can still be read")
        .arg(bookPath(context), result.problems.first());
}

} // namespace

QString ContactsCommand::usage() const
{
    return QStringLiteral("contacts import FILE...\ncontacts export [FILE]\ncontacts list\n"
                          "contacts check\ncontacts recover");
}

DataAccess ContactsCommand::dataAccess(const QStringList& args) const
{
    const QString sub = args.value(0);
    if (sub == QLatin1String("import") || sub == QLatin1String("recover"))
        return DataAccess::ReadWrite;
    return DataAccess::ReadOnly;
}

int ContactsCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args.size() == 1 && args[0] == QLatin1String("check"))
        return check(context);
    if (args.size() == 1 && args[0] == QLatin1String("recover"))
        return recover(context);
    if (args.size() >= 2 && args[0] == QLatin1String("import"))
        return importFiles(context, args.mid(1));
    if ((args.size() == 1 || args.size() == 2) && args[0] == QLatin1String("export"))
        return exportTo(context, args.value(1));
    if (args.size() == 1 && args[0] == QLatin1String("list"))
        return list(context);
    return usageError(context);
}

int ContactsCommand::importFiles(CommandContext& context, const QStringList& files)
{
    // Every file is read before anything is stored, so a missing file changes nothing.
    QList<QByteArray> contents;
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return context.refuse(
                QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        contents << file.readAll();
    }
    if (const QString damage = damageBeforeImport(context); !damage.isEmpty())
        return context.refuse(damage);
    QString error;
    auto book = context.openAddressBook(DataAccess::ReadWrite, &error);
    if (!book)
        return context.refuse(error);

    ContactsTransfer::ImportReport total;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const auto report = ContactsTransfer::importVCards(*book, contents[i], files[i]);
        total.added += report.added;
        total.updated += report.updated;
        total.skippedCards += report.skippedCards;
        total.problems += report.problems;
    }
    if (book->isDamaged()) {
        book->revert();
        return context.refuse(QStringLiteral("%1; nothing was imported").arg(book->lastError()));
    }
    if (total.added + total.updated == 0) {
        // An empty file or one that is no vCard at all is a refused input, not an
        // import of nobody.
        for (const QString& problem : total.problems)
            context.warn(problem);
        return context.refuse(total.skippedCards > 0
                ? QStringLiteral("none of the %1 cards could be read; nothing was imported")
                      .arg(total.skippedCards)
                // The problems say why: no vCard in it, or a file refused as a whole.
                : QStringLiteral("nothing was imported from %1")
                      .arg(files.join(QStringLiteral(", "))));
    }
    if (!book->save(&error))
        return context.refuse(
            QStringLiteral("the address book could not be saved, nothing was imported: %1")
                .arg(error));

    for (const QString& problem : total.problems)
        context.warn(problem);
    if (context.json) {
        QJsonObject json {{QStringLiteral("added"), total.added},
            {QStringLiteral("updated"), total.updated},
            {QStringLiteral("skipped"), total.skippedCards},
            {QStringLiteral("problems"), QJsonArray::fromStringList(total.problems)}};
        context.out << QJsonDocument(json).toJson(QJsonDocument::Compact) << '\n';
    } else {
        // The number of people added comes first, so a script can still read it alone.
        context.out << total.added << " added, " << total.updated << " updated, "
                    << total.skippedCards << " skipped\n";
    }
    context.out.flush();
    context.err.flush();
    context.requestRebuild();
    return Success;
}

int ContactsCommand::exportTo(CommandContext& context, const QString& path)
{
    QString error;
    auto book = context.openAddressBook(DataAccess::ReadOnly, &error);
    if (!book && !error.isEmpty())
        return context.refuse(error);
    const QByteArray vcards = book ? ContactsTransfer::exportVCards(*book, &error) : QByteArray();
    if (!error.isEmpty())
        return context.refuse(QStringLiteral("%1; nothing was exported").arg(error));
    if (path.isEmpty() || path == QLatin1String("-"))
        return context.writeToStandardOutput(vcards);
    if (!AtomicFile::write(path, vcards, &error, AtomicFile::Access::UserDefault))
        return context.refuse(error);
    return Success;
}

int ContactsCommand::list(CommandContext& context)
{
    QString error;
    auto book = context.openAddressBook(DataAccess::ReadOnly, &error);
    if (!book && !error.isEmpty())
        return context.refuse(error);
    if (!book) {
        if (context.json)
            context.out << "[]\n";
        context.out.flush();
        return Success;
    }

    QHash<std::int32_t, QString> groupNames;
    for (const Group& group : book->allGroups())
        groupNames.insert(group.recordID, group.name);
    // The first failed read is reported once the people that could be read are listed.
    QString problem = book->lastCallFailed() ? book->lastError() : QString();
    const std::vector<Person> everyone = book->allPeople();
    if (problem.isEmpty() && book->lastCallFailed())
        problem = book->lastError();

    QJsonArray people;
    for (const Person& p : everyone) {
        if (context.json) {
            QJsonArray groups;
            for (std::int32_t id : book->groupsOf(p.recordID))
                groups.append(groupNames.value(id));
            if (problem.isEmpty() && book->lastCallFailed())
                problem = book->lastError();
            people.append(personJson(p, groups));
            continue;
        }
        QStringList fields {QString::number(p.recordID), fullName(p)};
        if (p.birthday.isValid())
            fields << QStringLiteral("birthday %1").arg(dayText(p.birthday));
        for (const Labeled<QDate>& d : p.dates)
            fields << QStringLiteral("%1 %2").arg(
                d.label.isEmpty() ? QStringLiteral("date") : context.labelText(d.label),
                dayText(d.value));
        context.out << fields.join(QLatin1String("\t")) << '\n';
    }
    if (context.json)
        context.out << QJsonDocument(people).toJson(QJsonDocument::Indented);
    context.out.flush();
    if (!problem.isEmpty())
        return context.refuse(problem);
    return Success;
}

int ContactsCommand::check(CommandContext& context)
{
    const QString path = bookPath(context);
    const auto result = AddressBookRepair::check(path);
    if (context.json) {
        context.out << QJsonDocument(QJsonObject {{QStringLiteral("path"), path},
                                         {QStringLiteral("found"), result.found},
                                         {QStringLiteral("sound"), result.problems.isEmpty()},
                                         {QStringLiteral("problems"),
                                             QJsonArray::fromStringList(result.problems)}})
                           .toJson(QJsonDocument::Compact)
                    << '\n';
    } else if (!result.found) {
        context.out << "There is no address book at " << path << " yet.\n";
    } else if (result.problems.isEmpty()) {
        context.out << "ok: the address book " << path << " is sound.\n";
    } else {
        for (const QString& problem : result.problems)
            context.out << problem << '\n';
    }
    context.out.flush();
    if (result.problems.isEmpty())
        return Success;
    if (!result.damaged)
        return context.refuse(result.problems.first());
    return context.refuse(QStringLiteral("the address book %1 is damaged (%2 problems); 'fetemark "
                                         "contacts recover' saves what can still be read")
                              .arg(path)
                              .arg(result.problems.size()));
}

int ContactsCommand::recover(CommandContext& context)
{
    const QString path = bookPath(context);
    const auto result = AddressBookRepair::check(path);
    if (!result.found)
        return context.refuse(QStringLiteral("there is no address book at %1").arg(path));
    if (result.problems.isEmpty()) {
        context.out << "The address book " << path << " is sound; nothing to recover.\n";
        context.out.flush();
        return Success;
    }
    if (!result.damaged)
        return context.refuse(result.problems.first());
    QString error;
    const auto recovery = AddressBookRepair::recover(path, context.clock->now(), &error);
    if (!recovery)
        return context.refuse(error);
    if (context.json) {
        context.out << QJsonDocument(QJsonObject {{QStringLiteral("people"), recovery->people},
                                         {QStringLiteral("groups"), recovery->groups},
                                         {QStringLiteral("pictures"), recovery->pictures},
                                         {QStringLiteral("damagedCopy"), recovery->damagedCopy}})
                           .toJson(QJsonDocument::Compact)
                    << '\n';
    } else {
        context.out << "Recovered " << recovery->people << " people, " << recovery->groups
                    << " groups and " << recovery->pictures
                    << " pictures; the damaged address book is kept as "
                    << QDir::toNativeSeparators(recovery->damagedCopy) << ".\n";
    }
    context.out.flush();
    context.requestRebuild();
    return Success;
}

} // namespace fetemark::cli
