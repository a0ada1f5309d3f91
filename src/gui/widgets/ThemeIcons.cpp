#include "ThemeIcons.h"

namespace fetemark::ThemeIcons {
namespace {

constexpr qreal ArtworkScale = 2.0;

QPixmap fromImage(const QImage& image)
{
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ArtworkScale);
    return pixmap;
}

} // namespace

QPixmap pixmap(const ApplicationTheme& theme, ThemeImage image)
{
    return fromImage(theme.image(image));
}

QIcon icon(const ApplicationTheme& theme, ThemeImage up, ThemeImage down)
{
    QIcon icon;
    icon.addPixmap(pixmap(theme, up), QIcon::Normal, QIcon::Off);
    icon.addPixmap(pixmap(theme, down), QIcon::Active, QIcon::Off);
    icon.addPixmap(pixmap(theme, down), QIcon::Normal, QIcon::On);
    return icon;
}

QPixmap resourcePixmap(const QString& name)
{
    return fromImage(QImage(QStringLiteral(":/resources/images/") + name));
}

} // namespace fetemark::ThemeIcons
