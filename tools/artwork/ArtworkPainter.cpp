#include "ArtworkPainter.h"

#include "core/list/ListPhotos.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstring>
#include <utility>

namespace fetemark::artwork {

namespace {

constexpr int MaskPixels = 126; // the large list photo
constexpr int MarkPixels = 20;

QImage canvas(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QPainterPath markOutline()
{
    QPainterPath box;
    box.addRoundedRect(QRectF(0.5, 0.5, MarkPixels - 1, MarkPixels - 1), 4, 4);
    return box;
}

QImage imageMask()
{
    QImage image = canvas(MaskPixels);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, MaskPixels, MaskPixels), 16, 16);
    p.fillPath(outline, Qt::white);
    return image;
}

// A corner mark: a rounded square with a vertical gradient, its emblem drawn inside it,
// and a light rim.
template<typename Emblem> QImage mark(const QColor& top, const QColor& bottom, Emblem&& emblem)
{
    QImage image = canvas(MarkPixels);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath box = markOutline();
    QLinearGradient fill(0, 0, 0, MarkPixels);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.fillPath(box, fill);

    p.save();
    p.setClipPath(box);
    emblem(p);
    p.restore();

    p.strokePath(box, QPen(QColor(255, 255, 255, 230), 1));
    return image;
}

// A white "f" on Facebook blue.
QImage facebookMark()
{
    return mark(QColor(0x5b, 0x7b, 0xd5), QColor(0x3b, 0x59, 0x98), [](QPainter& p) {
        QPainterPath stem;
        stem.moveTo(11.5, MarkPixels);
        stem.lineTo(11.5, 9);
        stem.cubicTo(11.5, 5.6, 13.0, 4.6, 16.2, 4.6);
        p.strokePath(stem, QPen(Qt::white, 2.8, Qt::SolidLine, Qt::FlatCap));
        QPainterPath bar;
        bar.moveTo(8.2, 10.2);
        bar.lineTo(15.2, 10.2);
        p.strokePath(bar, QPen(Qt::white, 2.2, Qt::SolidLine, Qt::FlatCap));
    });
}

// A small leather address book with a person on its cover.
QImage contactMark()
{
    return mark(QColor(0xc0, 0x8a, 0x55), QColor(0x8a, 0x5a, 0x2e), [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 5, MarkPixels), QColor(0x6b, 0x44, 0x23));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe8, 0xd9, 0xc4));
        p.drawEllipse(QPointF(5, 6), 1.1, 1.1);
        p.drawEllipse(QPointF(5, 14), 1.1, 1.1);
        p.setBrush(QColor(255, 255, 255, 240));
        p.drawEllipse(QPointF(12.5, 7.6), 2.7, 2.7);
        QPainterPath shoulders;
        shoulders.moveTo(7.5, 16);
        shoulders.cubicTo(7.5, 11.5, 17.5, 11.5, 17.5, 16);
        shoulders.closeSubpath();
        p.drawPath(shoulders);
    });
}

// The picture behind every blank: a light silhouette on a grey ground.
QImage silhouette()
{
    constexpr int side = 256;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, side);
    ground.setColorAt(0, QColor(0xe3, 0xe6, 0xea));
    ground.setColorAt(1, QColor(0xc3, 0xc8, 0xcf));
    p.fillRect(image.rect(), ground);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf7, 0xf8, 0xfa));
    p.drawEllipse(QPointF(128, 104), 48, 48);
    QPainterPath body;
    body.moveTo(40, side);
    body.cubicTo(40, 160, 216, 160, 216, side);
    body.closeSubpath();
    p.drawPath(body);
    return image;
}

const ListPhotos::Artwork& artwork()
{
    static const ListPhotos::Artwork art {imageMask(), facebookMark(), contactMark()};
    return art;
}

QImage blank(int size, bool facebook, bool contact)
{
    ListPhotos::RoundedOptions o;
    o.size = size;
    o.shadow = ListPhotos::ListShadow;
    o.radius = ListPhotos::DefaultRadius;
    o.facebookMark = facebook;
    o.contactMark = contact;
    o.scale = ListPhotos::ArtworkScale;
    o.artwork = &artwork();
    QImage image = ListPhotos::roundedImage(silhouette(), o);
    image.setDevicePixelRatio(1);
    return image;
}

} // namespace

QStringList fileNames()
{
    QStringList names {QString::fromLatin1(ListPhotos::MaskFile),
        QString::fromLatin1(ListPhotos::FacebookMarkFile),
        QString::fromLatin1(ListPhotos::ContactMarkFile)};
    for (const QString& name : ListPhotos::blankFileNames())
        names << name;
    for (const QString& name : ListPhotos::headerBlankFileNames())
        names << name;
    return names;
}

QImage draw(const QString& fileName)
{
    if (fileName == QLatin1String(ListPhotos::MaskFile))
        return artwork().mask;
    if (fileName == QLatin1String(ListPhotos::FacebookMarkFile))
        return artwork().facebookMark;
    if (fileName == QLatin1String(ListPhotos::ContactMarkFile))
        return artwork().contactMark;
    // "BlankPhoto_<Small|Medium|Big>[Contact|_Facebook|_FacebookContact].png"
    const QString prefix = QStringLiteral("BlankPhoto_");
    if (!fileName.startsWith(prefix) || !fileName.endsWith(QLatin1String(".png")))
        return {};
    QString rest = fileName.mid(prefix.size());
    rest.chop(4);
    int size = 0;
    for (const auto& [word, side] : {std::pair {"Small", ListPhotos::SmallSize},
             {"Medium", ListPhotos::LargeSize}, {"Big", ListPhotos::HeaderSize}}) {
        if (rest.startsWith(QLatin1String(word))) {
            size = side;
            rest.remove(0, qsizetype(std::strlen(word)));
            break;
        }
    }
    if (size == 0)
        return {};
    if (rest.isEmpty())
        return blank(size, false, false);
    if (rest == QLatin1String("Contact"))
        return blank(size, false, true);
    if (rest == QLatin1String("_Facebook"))
        return blank(size, true, false);
    if (rest == QLatin1String("_FacebookContact"))
        return blank(size, true, true);
    return {};
}

} // namespace fetemark::artwork
