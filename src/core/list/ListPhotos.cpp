#include "ListPhotos.h"

#include "core/records/CustomEntriesStore.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"

#include "platform/addressbook/AddressBook.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <map>
#include <tuple>

namespace fetemark::ListPhotos {

namespace {

// The theme number of the platform's standard look.
constexpr qint64 StandardTheme = 101;

QString imagePath(const char* file)
{
    return QStringLiteral(":/resources/images/") + QLatin1String(file);
}

QImage premultiplied(const QImage& image)
{
    return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Where the picture sits on its canvas: inset so that the shadow, a little below it,
// fits inside the canvas.
struct Geometry {
    int canvas = 0;
    int shadowPx = 0;
    int radiusPx = 0;
    QRect picture;
};

Geometry geometryFor(const RoundedOptions& o)
{
    Geometry g;
    g.canvas = std::max(1, qRound(o.size * o.scale));
    g.shadowPx = std::clamp(qRound(o.shadow * o.scale), 0, g.canvas / 2);
    g.radiusPx = std::max(0, qRound(o.radius * o.scale));
    const int side = g.canvas - g.shadowPx;
    g.picture = QRect(g.shadowPx / 2, qRound(g.shadowPx * 0.3), side, side);
    return g;
}

// Three box blurs in each direction approximate a Gaussian.
void blurAlpha(std::vector<int>& alpha, int w, int h, int radius)
{
    std::vector<int> line(std::max(w, h));
    const int window = 2 * radius + 1;
    auto pass = [&](int count, int length, auto at) {
        for (int i = 0; i < count; ++i) {
            for (int k = 0; k < length; ++k)
                line[k] = at(i, k);
            int sum = 0;
            for (int k = 0; k <= radius && k < length; ++k)
                sum += line[k];
            for (int k = 0; k < length; ++k) {
                at(i, k) = sum / window;
                const int out = k - radius;
                const int in = k + radius + 1;
                if (out >= 0)
                    sum -= line[out];
                if (in < length)
                    sum += line[in];
            }
        }
    };
    for (int n = 0; n < 3; ++n) {
        pass(h, w, [&](int y, int x) -> int& { return alpha[std::size_t(y) * w + x]; });
        pass(w, h, [&](int x, int y) -> int& { return alpha[std::size_t(y) * w + x]; });
    }
}

QPainterPath roundedPath(const QRect& rect, int radiusPx)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), radiusPx, radiusPx);
    return path;
}

QImage makeShadow(const Geometry& g, bool standardTheme)
{
    if (g.shadowPx == 0)
        return {};
    QImage shape(g.canvas, g.canvas, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(
            roundedPath(g.picture.translated(0, qRound(g.shadowPx * 0.2)), g.radiusPx), Qt::black);
    }
    std::vector<int> alpha(std::size_t(g.canvas) * g.canvas);
    for (int y = 0; y < g.canvas; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(shape.constScanLine(y));
        for (int x = 0; x < g.canvas; ++x)
            alpha[std::size_t(y) * g.canvas + x] = qAlpha(row[x]);
    }
    // Three passes spread the shadow by three radii, which the margins have room for.
    blurAlpha(alpha, g.canvas, g.canvas, std::max(1, g.shadowPx / 6));
    // Themes draw their rows on darker backgrounds than the standard look.
    const int strength = standardTheme ? 130 : 190;
    QImage shadow(g.canvas, g.canvas, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < g.canvas; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < g.canvas; ++x)
            row[x] = qRgba(0, 0, 0, alpha[std::size_t(y) * g.canvas + x] * strength / 255);
    }
    return shadow;
}

// The picture's outline: the mask scaled onto the picture, cut to the corner radius.
QImage makeShape(const Geometry& g, const QImage& mask)
{
    QImage shape(g.canvas, g.canvas, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter p(&shape);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (mask.isNull()) {
        p.fillPath(roundedPath(g.picture, g.radiusPx), Qt::white);
        return shape;
    }
    p.drawImage(g.picture.topLeft(),
        mask.scaled(g.picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QPainterPath outside;
    outside.setFillRule(Qt::OddEvenFill);
    outside.addRect(QRectF(0, 0, g.canvas, g.canvas));
    outside.addPath(roundedPath(g.picture, g.radiusPx));
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    p.fillPath(outside, Qt::black);
    return shape;
}

// Shadows, outlines and scaled marks depend only on the geometry and the artwork, so
// they are made once and shared by every picture of that size.
struct Frame {
    QImage shadow;
    QImage shape;
};

class FrameCache {
public:
    Frame frame(const Geometry& g, bool standardTheme, const QImage& mask)
    {
        const auto key =
            std::make_tuple(g.canvas, g.shadowPx, g.radiusPx, standardTheme, mask.cacheKey());
        std::lock_guard lock(m_mutex);
        auto it = m_frames.find(key);
        if (it == m_frames.end()) {
            trim(m_frames);
            it = m_frames.emplace(key, Frame {makeShadow(g, standardTheme), makeShape(g, mask)})
                     .first;
        }
        return it->second;
    }
    QImage mark(const QImage& mark, int px)
    {
        const auto key = std::make_pair(mark.cacheKey(), px);
        std::lock_guard lock(m_mutex);
        auto it = m_marks.find(key);
        if (it == m_marks.end()) {
            trim(m_marks);
            it = m_marks
                     .emplace(
                         key, mark.scaled(px, px, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
                     .first;
        }
        return it->second;
    }

private:
    // Only a handful of sizes are in use; a caller drawing with artwork of its own each
    // time must not make the cache grow without end.
    template<typename Map> static void trim(Map& map)
    {
        if (map.size() >= 64)
            map.clear();
    }

    std::mutex m_mutex;
    std::map<std::tuple<int, int, int, bool, qint64>, Frame> m_frames;
    std::map<std::pair<qint64, int>, QImage> m_marks;
};

FrameCache& frameCache()
{
    static FrameCache cache;
    return cache;
}

QImage squareThumbnail(const QImage& image, int side)
{
    const int crop = std::min(image.width(), image.height());
    const QRect centre((image.width() - crop) / 2, (image.height() - crop) / 2, crop, crop);
    return image.copy(centre).scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QString blankFileName(bool large, const char* suffix)
{
    return QStringLiteral("BlankPhoto_%1%2.png")
        .arg(large ? QStringLiteral("Medium") : QStringLiteral("Small"), QLatin1String(suffix));
}

RoundedOptions listOptions(const Settings& settings, qreal scale)
{
    RoundedOptions o;
    o.size = settings.boolValue(QString(Key::LargeRows)) ? LargeSize : SmallSize;
    o.shadow = ListShadow;
    o.radius = DefaultRadius;
    o.standardTheme = settings.integerValue(QString(Key::ApplicationTheme)) == StandardTheme;
    o.scale = scale;
    return o;
}

bool isContactRecord(const OccasionRecord& r)
{
    return !r.isCustomEntry && !r.isFacebookEntry && !r.isHoliday;
}

} // namespace

std::vector<QString> blankFileNames()
{
    std::vector<QString> names;
    for (const bool large : {false, true}) {
        for (const char* suffix : {"", "Contact", "_Facebook", "_FacebookContact"})
            names.push_back(blankFileName(large, suffix));
    }
    return names;
}

QString headerBlankFileName(bool facebookMark, bool contactMark)
{
    const char* suffix = facebookMark ? (contactMark ? "_FacebookContact" : "_Facebook")
                                      : (contactMark ? "Contact" : "");
    return QStringLiteral("BlankPhoto_Big%1.png").arg(QLatin1String(suffix));
}

std::vector<QString> headerBlankFileNames()
{
    std::vector<QString> names;
    for (const bool facebook : {false, true}) {
        for (const bool contact : {false, true})
            names.push_back(headerBlankFileName(facebook, contact));
    }
    return names;
}

const Artwork& shippedArtwork()
{
    static const Artwork artwork {premultiplied(QImage(imagePath(MaskFile))),
        premultiplied(QImage(imagePath(FacebookMarkFile))),
        premultiplied(QImage(imagePath(ContactMarkFile)))};
    return artwork;
}

QImage roundedImage(const QImage& image, const RoundedOptions& options)
{
    if (image.isNull() || options.size <= 0 || options.scale <= 0)
        return {};
    const Artwork& art = options.artwork ? *options.artwork : shippedArtwork();
    const Geometry g = geometryFor(options);
    const Frame frame = frameCache().frame(g, options.standardTheme, art.mask);

    QImage picture(g.canvas, g.canvas, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.drawImage(g.picture.topLeft(), squareThumbnail(image, g.picture.width()));
        if (options.gloss) {
            QRectF upper(g.picture);
            upper.setHeight(upper.height() / 2);
            QLinearGradient shine(upper.topLeft(), upper.bottomLeft());
            shine.setColorAt(0, QColor(255, 255, 255, 120));
            shine.setColorAt(1, QColor(255, 255, 255, 20));
            p.fillRect(upper, shine);
        }
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, frame.shape);
    }

    QImage out;
    if (frame.shadow.isNull()) {
        out = picture;
    } else {
        out = frame.shadow.copy();
        QPainter p(&out);
        p.drawImage(0, 0, picture);
    }
    // The Facebook mark sits in the lower right corner of the picture, the contact mark
    // in the lower left.
    const int markPx = std::max(1, qRound(MarkSize * options.scale));
    const int markTop = g.picture.y() + g.picture.height() - markPx;
    auto overlay = [&](const QImage& mark, int x) {
        if (mark.isNull())
            return;
        QPainter p(&out);
        p.drawImage(x, markTop, frameCache().mark(mark, markPx));
    };
    if (options.facebookMark)
        overlay(art.facebookMark, g.picture.x() + g.picture.width() - markPx);
    if (options.contactMark)
        overlay(art.contactMark, g.picture.x());
    out.setDevicePixelRatio(options.scale);
    return out;
}

QImage createRoundedImage(const QImage& image, int size, int shadow)
{
    RoundedOptions o;
    o.size = size;
    o.shadow = shadow;
    return roundedImage(image, o);
}

QImage createRoundedImageWithGloss(const QImage& image, int size, int shadow)
{
    RoundedOptions o;
    o.size = size;
    o.shadow = shadow;
    o.gloss = true;
    return roundedImage(image, o);
}

QImage createRoundedImage(const QImage& image, int size, int shadow, int radius)
{
    RoundedOptions o;
    o.size = size;
    o.shadow = shadow;
    o.radius = radius;
    return roundedImage(image, o);
}

QImage createRoundedImage(
    const QImage& image, int size, int shadow, bool withFacebook, bool withContact)
{
    RoundedOptions o;
    o.size = size;
    o.shadow = shadow;
    o.facebookMark = withFacebook;
    o.contactMark = withContact;
    return roundedImage(image, o);
}

QImage createRoundedFacebookImage(const QImage& image, int size, int shadow, bool andContact)
{
    return createRoundedImage(image, size, shadow, true, andContact);
}

QImage createRoundedLinkedFacebookImageFromID(const QString& dataDirectory,
    const QString& facebookID, int size, int shadow, bool andFacebook, bool andContact)
{
    RoundedOptions o;
    o.size = size;
    o.shadow = shadow;
    o.facebookMark = andFacebook;
    o.contactMark = andContact;
    return createRoundedLinkedFacebookImageFromID(dataDirectory, facebookID, o);
}

QString holidayPicturePath(const QString& fileName, const QString& resourceRoot)
{
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) ||
        fileName.contains(QLatin1String("..")) || fileName.contains(QChar(0)))
        return {};
    return resourceRoot + QStringLiteral("/holidays/") + fileName;
}

QImage createRoundedLinkedFacebookImageFromID(
    const QString& dataDirectory, const QString& facebookID, const RoundedOptions& options)
{
    // The id may come from a restored file: it must not lead outside the data directory.
    const QString file = CustomEntriesStore::photoFilePath(dataDirectory, facebookID);
    if (file.isEmpty())
        return {};
    return roundedImage(readPicture(file), options);
}

QImage decodePicture(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read();
}

QImage readPicture(const QString& path)
{
    if (path.isEmpty())
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

std::mutex& photoMutex()
{
    static std::mutex mutex;
    return mutex;
}

void createRoundedImageForOccasionListRecord(AddressBook* book, OccasionRecord& record,
    const std::vector<OccasionRecordPtr>& allRecords, const Settings& settings,
    const QString& dataDirectory, qreal scale, const QString& resourceRoot)
{
    RoundedOptions options = listOptions(settings, scale);
    const bool facebookMarkOn = settings.boolValue(QString(Key::FacebookPhotoMark));

    // The pictures are decoded and rounded outside the lock; only the fields are
    // written under it.
    if (record.isHoliday) {
        if (record.holidayPhotoFilename.isEmpty())
            return;
        const QImage rounded = roundedImage(
            readPicture(holidayPicturePath(record.holidayPhotoFilename, resourceRoot)), options);
        if (rounded.isNull())
            return;
        std::lock_guard lock(photoMutex());
        record.photo = rounded;
        return;
    }

    if (record.isCustomEntry || record.isFacebookEntry) {
        int cPhoto;
        {
            std::lock_guard lock(photoMutex());
            cPhoto = record.cPhoto;
        }
        QImage rounded;
        if (cPhoto != OccasionRecord::PhotoAbsent) {
            options.facebookMark = record.isFacebookEntry && facebookMarkOn;
            const QString file = CustomEntriesStore::photoFilePath(dataDirectory, record.customID);
            rounded = file.isEmpty() ? QImage() : roundedImage(readPicture(file), options);
        }
        std::lock_guard lock(photoMutex());
        if (cPhoto != OccasionRecord::PhotoAbsent) {
            if (!rounded.isNull())
                record.photo = rounded;
            record.cPhoto =
                rounded.isNull() ? OccasionRecord::PhotoAbsent : OccasionRecord::PhotoPresent;
        }
        record.abPhoto = OccasionRecord::PhotoAbsent;
        return;
    }

    const bool linked = record.isFacebookLinked(settings);
    options.facebookMark = linked && facebookMarkOn;
    options.contactMark = settings.boolValue(QString(Key::ContactPhotoMark));
    QImage rounded;
    if (book && record.recordID != -1) {
        const QByteArray data = book->imageData(record.recordID);
        // Oversized pictures are never decoded: they count as none.
        if (!data.isEmpty() && data.size() <= MaxPictureBytes)
            rounded = roundedImage(decodePicture(data), options);
    }
    if (rounded.isNull() && linked)
        rounded =
            createRoundedLinkedFacebookImageFromID(dataDirectory, record.facebookLinkID, options);

    const int state = rounded.isNull() ? OccasionRecord::PhotoAbsent : OccasionRecord::PhotoPresent;
    std::lock_guard lock(photoMutex());
    // Every occasion of the contact shares the picture. Without one, a blank that an
    // earlier occasion of the contact already got is kept.
    auto give = [&](OccasionRecord& r) {
        r.abPhoto = state;
        if (!rounded.isNull())
            r.photo = rounded;
    };
    give(record);
    if (record.recordID == -1)
        return;
    for (const OccasionRecordPtr& r : allRecords) {
        if (r && r.get() != &record && r->recordID == record.recordID && isContactRecord(*r))
            give(*r);
    }
}

RowPhoto rowPhoto(const OccasionRecord& record, const Settings& settings)
{
    RowPhoto row;
    std::lock_guard lock(photoMutex());
    const bool entry = record.isCustomEntry || record.isFacebookEntry;
    auto photoOrSpinner = [&] {
        if (record.photo.isNull())
            return row;
        row.show = RowPhoto::Show::Photo;
        row.photo = record.photo;
        return row;
    };
    if (entry && record.cPhoto == OccasionRecord::PhotoPresent)
        return photoOrSpinner();
    if ((entry && record.cPhoto == OccasionRecord::PhotoNotLookedUp) ||
        record.abPhoto == OccasionRecord::PhotoNotLookedUp)
        return row;
    if (record.abPhoto == OccasionRecord::PhotoAbsent && !record.isHoliday) {
        const bool large = settings.boolValue(QString(Key::LargeRows));
        const bool linked = record.isFacebookLinked(settings);
        const bool contactMark = settings.boolValue(QString(Key::ContactPhotoMark));
        const char* suffix = "";
        if ((record.isFacebookEntry || linked) &&
            settings.boolValue(QString(Key::FacebookPhotoMark)))
            suffix = contactMark && linked ? "_FacebookContact" : "_Facebook";
        else if (contactMark && record.recordID != -1)
            suffix = "Contact";
        row.show = RowPhoto::Show::Blank;
        row.blankFile = blankFileName(large, suffix);
        return row;
    }
    return photoOrSpinner();
}

} // namespace fetemark::ListPhotos
