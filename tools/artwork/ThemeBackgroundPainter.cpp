#include "ThemeBackgroundPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace fetemark::themeart {

namespace {

constexpr int Width = 780;
constexpr int Height = 1560;
constexpr int StartupTopHeight = 200;
constexpr int SearchBarHeight = 88;
constexpr int IconSide = 70; // 35 points

struct Palette {
    int theme;
    QColor skyTop, skyBottom; // the window's gradient
    QColor barTop, barBottom, barLine;
    int bandTop; // where the startup band is cut from the window picture
};

const Palette palettes[] = {
    {101, QColor(246, 246, 248), QColor(228, 229, 233), QColor(248, 248, 250),
        QColor(226, 227, 231), QColor(190, 191, 196), 0},
    {0, QColor(214, 236, 252), QColor(88, 156, 214), QColor(176, 214, 242), QColor(110, 168, 220),
        QColor(62, 114, 168), 1180},
    {1, QColor(232, 243, 222), QColor(150, 196, 132), QColor(196, 224, 180), QColor(128, 178, 112),
        QColor(64, 108, 56), 1240},
    {2, QColor(6, 10, 30), QColor(36, 48, 96), QColor(44, 56, 102), QColor(20, 26, 56),
        QColor(8, 12, 30), 40},
    {3, QColor(255, 240, 244), QColor(240, 168, 190), QColor(248, 206, 218), QColor(228, 150, 174),
        QColor(166, 78, 104), 640},
    {9, QColor(58, 30, 92), QColor(250, 170, 92), QColor(120, 54, 96), QColor(70, 30, 72),
        QColor(40, 14, 40), 760},
};

// A small fixed generator, so every run places the stars alike.
struct Lcg {
    std::uint32_t state;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 24);
    }
};

QPainterPath ridge(double base, double amplitude, double waves, double phase)
{
    QPainterPath path;
    path.moveTo(0, Height);
    for (int x = 0; x <= Width; x += 10) {
        const double t = double(x) / Width;
        path.lineTo(x, base - amplitude * std::sin(2 * std::numbers::pi * waves * t + phase));
    }
    path.lineTo(Width, Height);
    path.closeSubpath();
    return path;
}

void drawOcean(QPainter& p)
{
    for (int i = 0; i < 4; ++i)
        p.fillPath(ridge(1180 + 90 * i, 22 - 3 * i, 1.5 + 0.5 * i, i * 1.3),
            QColor(255, 255, 255, 34 + 10 * i));
}

void drawForest(QPainter& p)
{
    const QColor greens[] = {
        QColor(120, 170, 104), QColor(84, 138, 74), QColor(52, 104, 50), QColor(30, 74, 34)};
    for (int i = 0; i < 4; ++i)
        p.fillPath(ridge(1150 + 100 * i, 60 - 8 * i, 0.8 + 0.3 * i, i * 2.1), greens[i]);
}

void drawMidnight(QPainter& p)
{
    Lcg random {20260101u};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 90; ++i) {
        const double x = random.next() * Width;
        const double y = random.next() * Height * 0.8;
        const double r = 1.2 + 2.2 * random.next();
        p.setBrush(QColor(255, 255, 240, 120 + int(120 * random.next())));
        p.drawEllipse(QPointF(x, y), r, r);
    }
    p.setBrush(QColor(250, 244, 214));
    p.drawEllipse(QPointF(600, 240), 70, 70);
    p.setBrush(QColor(10, 15, 39)); // the sky behind the moon
    p.drawEllipse(QPointF(632, 218), 64, 64);
}

void drawRose(QPainter& p)
{
    p.setPen(Qt::NoPen);
    const struct {
        double x, y, r;
    } petals[] = {
        {120, 300, 220}, {680, 560, 260}, {200, 1040, 300}, {640, 1380, 240}, {420, 780, 140}};
    for (const auto& petal : petals) {
        p.setBrush(QColor(255, 255, 255, 46));
        p.drawEllipse(QPointF(petal.x, petal.y), petal.r, petal.r);
        p.setBrush(QColor(255, 255, 255, 30));
        p.drawEllipse(QPointF(petal.x, petal.y), petal.r * 0.6, petal.r * 0.6);
    }
}

void drawSunset(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 210, 120, 70));
    p.drawEllipse(QPointF(390, 930), 190, 190);
    p.setBrush(QColor(255, 226, 150));
    p.drawEllipse(QPointF(390, 930), 120, 120);
    p.fillPath(ridge(990, 70, 1.2, 0.6), QColor(120, 52, 84));
    p.fillPath(ridge(1110, 50, 1.7, 2.4), QColor(76, 30, 64));
    p.fillPath(ridge(1250, 30, 0.9, 4.0), QColor(42, 16, 42));
}

QImage window(const Palette& palette)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, Height);
    sky.setColorAt(0, palette.skyTop);
    sky.setColorAt(1, palette.skyBottom);
    p.fillRect(image.rect(), sky);
    switch (palette.theme) {
    case 0:
        drawOcean(p);
        break;
    case 1:
        drawForest(p);
        break;
    case 2:
        drawMidnight(p);
        break;
    case 3:
        drawRose(p);
        break;
    case 9:
        drawSunset(p);
        break;
    default:
        break; // the standard theme stays a quiet gradient
    }
    return image;
}

QImage searchBar(const Palette& palette)
{
    QImage image(Width, SearchBarHeight, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient fill(0, 0, 0, SearchBarHeight);
    fill.setColorAt(0, palette.barTop);
    fill.setColorAt(1, palette.barBottom);
    p.fillRect(image.rect(), fill);
    p.fillRect(0, SearchBarHeight - 2, Width, 2, palette.barLine);
    return image;
}

QString nameOf(const char* pattern, int theme)
{
    return QString::fromLatin1(pattern).arg(theme);
}

} // namespace

QStringList fileNames()
{
    QStringList names;
    for (const Palette& palette : palettes)
        names << nameOf("ThemeBackground_%1.png", palette.theme)
              << nameOf("ThemeBackground_%1_StartupTop.png", palette.theme)
              << nameOf("ThemeBackground_%1_SearchBar.png", palette.theme);
    names << QStringLiteral("ThemeIcon_9.png");
    return names;
}

QImage draw(const QString& fileName)
{
    for (const Palette& palette : palettes) {
        if (fileName == nameOf("ThemeBackground_%1.png", palette.theme))
            return window(palette);
        if (fileName == nameOf("ThemeBackground_%1_StartupTop.png", palette.theme))
            return window(palette).copy(0, palette.bandTop, Width, StartupTopHeight);
        if (fileName == nameOf("ThemeBackground_%1_SearchBar.png", palette.theme))
            return searchBar(palette);
        if (palette.theme == 9 && fileName == QLatin1String("ThemeIcon_9.png"))
            return window(palette)
                .copy(0, 560, Width, Width)
                .scaled(IconSide, IconSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

} // namespace fetemark::themeart
