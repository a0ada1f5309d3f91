#pragma once

// The 10,000-person synthetic book loaded into a record database, made once per
// benchmark run and shared by the benchmarks that read it.
#include "core/database/RecordDatabase.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fetemark::bench {

struct LoadedBook {
    QTemporaryDir dir;
    Settings settings {QDir(dir.path()).filePath(QStringLiteral("Preferences.plist"))};
    FixedClock clock {QDateTime(QDate(2026, 3, 5), QTime(12, 0), Qt::UTC)};
    DeviceEnvironment device {
        QStringLiteral("Europe/Berlin"), QStringLiteral("en_US"), {QStringLiteral("en")}};
    std::unique_ptr<RecordDatabase> db;

    LoadedBook()
    {
        settings.registerDefaults(registeredDefaults());
        QString error;
        auto book = AddressBook::create(
            QDir(dir.path()).filePath(QStringLiteral("AddressBook.sqlite")), &error);
        if (!book || SyntheticContacts::fill(*book, {10000, 1, 0}) != 10000) {
            std::fprintf(stderr, "cannot make the book: %s\n", qPrintable(error));
            std::abort();
        }
        db = std::make_unique<RecordDatabase>(
            RecordDatabase::Dependencies {settings, clock, device, dir.path()});
        db->loadDatabase();
    }
};

inline LoadedBook& loadedBook()
{
    static LoadedBook book;
    return book;
}

} // namespace fetemark::bench
