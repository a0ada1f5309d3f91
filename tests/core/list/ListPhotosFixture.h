#pragma once
// Shared by the list photo tests: a real data directory (address book, settings, picture
// files) with a database over it, and where two rounded photos differ.

#include "core/database/RecordDatabase.h"
#include "core/list/ListImageOperation.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "platform/addressbook/AddressBook.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

namespace fetemark::test {

inline const QColor Magenta(0xd0, 0x20, 0xb0);
inline const QColor Teal(0x10, 0x90, 0x80);

inline QImage solid(QColor colour, int side = 40)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

inline QRgb centre(const QImage& image)
{
    return image.pixel(image.width() / 2, image.height() / 2);
}

inline QByteArray encoded(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "png"));
    return bytes;
}

inline QImage blank(const QString& file)
{
    return QImage(QStringLiteral(":/resources/images/") + file);
}

// Where `marked` differs from `plain`: the upper half, the lower right (the Facebook
// mark) or the lower left (the contact mark).
struct Differences {
    bool upper = false;
    bool lowerRight = false;
    bool lowerLeft = false;
    QRect bounds;
};

inline Differences differences(const QImage& marked, const QImage& plain)
{
    Differences d;
    EXPECT_EQ(marked.size(), plain.size());
    const QImage a = marked.convertToFormat(QImage::Format_ARGB32),
                 b = plain.convertToFormat(QImage::Format_ARGB32);
    const int w = std::min(a.width(), b.width()), h = std::min(a.height(), b.height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                d.bounds |= QRect(x, y, 1, 1);
                (y < h / 2 ? d.upper : x >= w / 2 ? d.lowerRight : d.lowerLeft) = true;
            }
        }
    }
    return d;
}

// Near `expected` and opaque (scaling and rounding blur colours slightly).
inline ::testing::AssertionResult colourNear(QRgb actual, QColor expected, int tolerance = 6)
{
    const QColor a = QColor::fromRgba(actual);
    const bool near = std::abs(a.red() - expected.red()) <= tolerance &&
        std::abs(a.green() - expected.green()) <= tolerance &&
        std::abs(a.blue() - expected.blue()) <= tolerance && a.alpha() == 255;
    return (near ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
        << "pixel " << qPrintable(a.name(QColor::HexArgb)) << " vs "
        << qPrintable(expected.name(QColor::HexArgb));
}

// A fresh data directory with its own address book and settings at their registered
// defaults ("largerows" and "827B" on, "0977" and "800A" off).
class PhotoData {
public:
    PhotoData()
        : settings(dir.file(QStringLiteral("Preferences.plist"))),
          clock(utc("2026-03-05T12:00:00Z")), device {QStringLiteral("Europe/Berlin"),
                                                  QStringLiteral("en_US"), {QStringLiteral("en")}},
          calendar(device.timeZoneId)
    {
        settings.registerDefaults(registeredDefaults());
        QString error;
        book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")), &error);
        EXPECT_TRUE(book) << qPrintable(error);
    }

    void set(QLatin1StringView key, const QVariant& value)
    {
        settings.setValue(QString(key), value);
    }

    std::int32_t addPerson(
        const QString& name, const QByteArray& picture = {}, std::vector<Labeled<QDate>> dates = {})
    {
        Person p;
        p.firstName = name;
        p.lastName = QStringLiteral("X");
        p.birthday = QDate(1990, 3, 20);
        p.dates = std::move(dates);
        const std::int32_t id = book->addPerson(p);
        EXPECT_NE(id, -1) << qPrintable(book->lastError());
        if (!picture.isEmpty()) {
            EXPECT_TRUE(book->setImageData(id, picture)) << qPrintable(book->lastError());
        }
        EXPECT_TRUE(book->save()) << qPrintable(book->lastError());
        return id;
    }

    void writeEntries(const std::vector<OccasionRecordPtr>& entries)
    {
        QString error;
        EXPECT_TRUE(
            CustomEntriesStore(dir.path()).writeCustomEntries(entries, {}, calendar, &error))
            << qPrintable(error);
    }

    void writePicture(const QString& id, const QImage& image)
    {
        EXPECT_TRUE(image.save(dir.file(id + ".png")));
    }

    RecordDatabase& load()
    {
        database = std::make_unique<RecordDatabase>(
            RecordDatabase::Dependencies {settings, clock, device, dir.path(), resourceRoot});
        database->loadDatabase();
        EXPECT_TRUE(database->takeLoadWarnings().isEmpty());
        return *database;
    }

    // A record by name ("<name> X" for people), of `type` unless -1.
    OccasionRecordPtr named(const QString& name, int type = -1) const
    {
        for (const OccasionRecordPtr& r : database->records()) {
            if ((r->name == name || r->name == name + " X") && (type == -1 || r->type == type))
                return r;
        }
        ADD_FAILURE() << "no record " << qPrintable(name);
        return nullptr;
    }

    // A custom or Facebook entry; with `contact`, a Facebook friend matched to that contact.
    OccasionRecordPtr entry(const QString& customID, bool facebook, std::int32_t contact = -1) const
    {
        auto r = std::make_shared<OccasionRecord>();
        r->isCustomEntry = !facebook;
        r->isFacebookEntry = facebook;
        r->customID = customID;
        r->name = customID;
        r->rawDate = calendar.date(2000, 4, 1);
        r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
        r->isFacebookMatched = contact != -1;
        r->facebookToContactID = contact;
        return r;
    }

    // One record's preparation alone, against the whole list.
    void prepare(OccasionRecord& r, const QString& dataDirectory = {})
    {
        ListPhotos::createRoundedImageForOccasionListRecord(book.get(), r, database->records(),
            settings, dataDirectory.isEmpty() ? dir.path() : dataDirectory);
    }

    // The background preparation of `records`, waited for, announcing nothing.
    void runOperation(const std::vector<OccasionRecordPtr>& records)
    {
        OperationQueue queue(1);
        queue.addOperation(std::make_shared<ListImageOperation>(*database, dir.path(), records));
        queue.waitUntilAllOperationsAreFinished();
    }

    TempDir dir;
    QString resourceRoot = QStringLiteral(":/resources");
    Settings settings;
    FixedClock clock;
    DeviceEnvironment device;
    Calendar calendar;
    std::unique_ptr<AddressBook> book;
    std::unique_ptr<RecordDatabase> database;
};

} // namespace fetemark::test
