#pragma once
// What the list photo tests share: a real data directory (address book on SQLite,
// settings file, picture files) with a database over it, pictures of exact byte sizes,
// and a look at where two rounded photos differ.

#include "core/Calendar.h"
#include "core/Clock.h"
#include "core/CustomEntriesStore.h"
#include "core/DeviceEnvironment.h"
#include "core/ListPhotos.h"
#include "core/OccasionRecord.h"
#include "core/RecordDatabase.h"
#include "core/Settings.h"
#include "core/SettingsKeys.h"
#include "platform/AddressBook.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace fetemark::test {

inline std::string str(const QString& s)
{
    return s.toStdString();
}

inline QImage solid(QColor colour, int side = 40)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

inline QByteArray encoded(const QImage& image, const char* format = "png")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

inline quint32 crc32(const QByteArray& bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xffffffffu;
    for (const char byte : bytes)
        c = table[(c ^ quint8(byte)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

// The PNG of `image` grown to exactly `totalBytes` by a private ancillary chunk before
// its end, which decoders skip: the same picture, at the size wanted.
inline QByteArray paddedPng(const QImage& image, qsizetype totalBytes)
{
    const QByteArray base = encoded(image);
    const qsizetype padding = totalBytes - base.size() - 12;  // length, type and CRC
    EXPECT_GE(padding, 0);
    const qsizetype end = base.size() - 12;                   // the IEND chunk
    QByteArray typeAndData = QByteArray("fmPd") + QByteArray(padding, '\x5a');
    auto bigEndian = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    QByteArray out = base.left(end);
    out += bigEndian(quint32(padding)) + typeAndData + bigEndian(crc32(typeAndData));
    out += base.mid(end);
    return out;
}

// Which parts of `marked` differ from `plain` (same size): the lower right corner (the
// Facebook mark), the lower left (the contact mark), or anywhere else.
struct Differences {
    bool lowerRight = false;
    bool lowerLeft = false;
    bool elsewhere = false;
    QRect bounds;
};

inline Differences differences(const QImage& marked, const QImage& plain)
{
    Differences d;
    EXPECT_EQ(marked.size(), plain.size());
    const QImage a = marked.convertToFormat(QImage::Format_ARGB32);
    const QImage b = plain.convertToFormat(QImage::Format_ARGB32);
    const int w = std::min(a.width(), b.width());
    const int h = std::min(a.height(), b.height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (a.pixel(x, y) == b.pixel(x, y))
                continue;
            d.bounds |= QRect(x, y, 1, 1);
            if (y < h / 2)
                d.elsewhere = true;
            else if (x >= w / 2)
                d.lowerRight = true;
            else
                d.lowerLeft = true;
        }
    }
    return d;
}

inline int alphaAt(const QImage& image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

// Near `expected` in every channel (scaling and rounding blur colours slightly).
inline ::testing::AssertionResult colourNear(QRgb actual, QColor expected, int tolerance = 6)
{
    const QColor a = QColor::fromRgba(actual);
    if (std::abs(a.red() - expected.red()) <= tolerance && std::abs(a.green() - expected.green()) <= tolerance
        && std::abs(a.blue() - expected.blue()) <= tolerance && a.alpha() == 255)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << str(a.name(QColor::HexArgb)) << " is not "
                                         << str(expected.name(QColor::HexArgb));
}

// Runs the main thread's events until `done` holds; false after `timeoutMs`.
inline bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// A fresh data directory with its own address book, settings at their registered
// defaults ("largerows" and "827B" on, "0977" and "800A" off), a fixed clock and
// device; the database is made by load().
class PhotoData {
public:
    PhotoData()
        : settings(dir.file(QStringLiteral("Preferences.plist")))
        , clock(utc("2026-03-05T12:00:00Z"))
        , device{QStringLiteral("Europe/Berlin"), QStringLiteral("en_US"), {QStringLiteral("en")}}
        , calendar(device.timeZoneId)
    {
        settings.registerDefaults(registeredDefaults());
        QString error;
        book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")), &error);
        EXPECT_TRUE(book) << str(error);
    }

    void set(QLatin1StringView key, const QVariant& value) { settings.setValue(QString(key), value); }

    std::int32_t addPerson(const QString& first, const QString& last, const QDate& birthday,
                           const QByteArray& picture = {}, std::vector<Labeled<QDate>> dates = {})
    {
        Person p;
        p.firstName = first;
        p.lastName = last;
        p.birthday = birthday;
        p.dates = std::move(dates);
        const std::int32_t id = book->addPerson(p);
        EXPECT_NE(id, -1) << str(book->lastError());
        if (!picture.isEmpty()) {
            EXPECT_TRUE(book->setImageData(id, picture)) << str(book->lastError());
        }
        EXPECT_TRUE(book->save()) << str(book->lastError());
        return id;
    }

    void writeEntries(const std::vector<OccasionRecordPtr>& entries)
    {
        QString error;
        EXPECT_TRUE(CustomEntriesStore(dir.path()).writeCustomEntries(entries, {}, calendar, &error)) << str(error);
    }

    // A picture file in the data directory ("<id>.png").
    QString writePicture(const QString& id, const QImage& image)
    {
        const QString path = dir.file(id + QStringLiteral(".png"));
        EXPECT_TRUE(image.save(path));
        return path;
    }

    RecordDatabase& load()
    {
        if (!database)
            database = std::make_unique<RecordDatabase>(
                RecordDatabase::Dependencies{settings, clock, device, dir.path(), resourceRoot});
        database->loadDatabase();
        EXPECT_TRUE(database->takeLoadWarnings().isEmpty());
        return *database;
    }
    RecordDatabase& db() { return *database; }

    OccasionRecordPtr named(const QString& name, int type = -1) const
    {
        for (const OccasionRecordPtr& r : database->records()) {
            if (r->name == name && (type == -1 || r->type == type))
                return r;
        }
        ADD_FAILURE() << "no record " << str(name);
        return nullptr;
    }

    // A Facebook friend matched to a contact, as the custom entries file keeps it.
    OccasionRecordPtr friendOf(std::int32_t contact, const QString& facebookID) const
    {
        auto r = std::make_shared<OccasionRecord>();
        r->isFacebookEntry = true;
        r->customID = facebookID;
        r->firstName = QStringLiteral("Friend");
        r->lastName = facebookID;
        r->rawDate = calendar.date(1990, 6, 1);
        r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
        r->isFacebookMatched = true;
        r->facebookToContactID = contact;
        return r;
    }

    OccasionRecordPtr entry(const QString& customID, bool facebook) const
    {
        auto r = std::make_shared<OccasionRecord>();
        r->isCustomEntry = !facebook;
        r->isFacebookEntry = facebook;
        r->customID = customID;
        r->name = customID;
        r->rawDate = calendar.date(2000, 4, 1);
        r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
        return r;
    }

    // Runs the list preparation over `records` through the database, as the list does.
    void prepare(const std::vector<OccasionRecordPtr>& records)
    {
        for (const OccasionRecordPtr& r : records)
            ListPhotos::createRoundedImageForOccasionListRecord(book.get(), *r, database->records(), settings, dir.path());
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
