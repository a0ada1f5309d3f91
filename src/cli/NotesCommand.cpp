#include "NotesCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/OccasionLookup.h"

#include "core/database/RecordDatabase.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "platform/addressbook/AddressBook.h"

#include <optional>

namespace fetemark::cli {

int NotesCommand::execute(CommandContext& context, const QStringList& args)
{
    const bool get = args.size() == 2 && args[0] == QLatin1String("get");
    const bool set = args.size() == 3 && args[0] == QLatin1String("set");
    if (!get && !set)
        return usageError(context);
    RecordDatabase& db = context.database();
    const OccasionRecordPtr record = findOccasion(db, args[1]);
    if (!record)
        return context.refuse(QStringLiteral("no occasion with id '%1'").arg(args[1]));
    if (get) {
        context.printValue(QLatin1StringView("notes"), db.getNotesForOccasionRecord(*record));
        return Success;
    }

    const QString text = args[2];
    QString error;
    if (record->isCustomEntry) {
        record->notes = text;
        if (!db.writeCustomEntries(&error))
            return context.refuse(error);
    } else if (record->isFacebookEntry || record->isHoliday) {
        db.setNotesForFacebook(text, record->customID);
        if (!db.writeABMetadata(&error))
            return context.refuse(error);
    } else if (context.settings.integerValue(QString(Key::AddressBookNotes)) != 0) {
        AddressBook* book = db.mainThreadAddressBook();
        auto person = book ? book->person(record->recordID) : std::nullopt;
        if (!person)
            return context.refuse(QStringLiteral("the contact of '%1' is gone").arg(args[1]));
        // An empty note is stored as one space, as the address book keeps it.
        person->note = text.isEmpty() ? QStringLiteral(" ") : text;
        if (!book->updatePerson(*person) || !book->save(&error))
            return context.refuse(error.isEmpty() ? book->lastError() : error);
        db.refreshAddressBook();
    } else {
        db.setNotes(text, record->recordID);
        if (!db.writeABMetadata(&error))
            return context.refuse(error);
    }
    return Success;
}

} // namespace fetemark::cli
