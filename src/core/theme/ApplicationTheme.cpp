#include "ApplicationTheme.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "platform/archive/PropertyList.h"
#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <utility>

namespace fetemark {

namespace {

struct ColorKey {
    QColor ThemeColors::*member;
    const char* key;
};

constexpr ColorKey colorKeys[] = {
    {&ThemeColors::rowColor1, "RowColor1"},
    {&ThemeColors::rowColor2, "RowColor2"},
    {&ThemeColors::titleColor, "TitleColor"},
    {&ThemeColors::titleBorderColor, "TitleBorderColor"},
    {&ThemeColors::titleStripeColor, "TitleStripeColor"},
    {&ThemeColors::borderColor, "BorderColor"},
    {&ThemeColors::separatorColor, "SeparatorColor"},
    {&ThemeColors::highlightColor, "HighlightColor"},
    {&ThemeColors::upcomingBorderColor, "UpcomingBorderColor"},
    {&ThemeColors::textColor, "TextColor"},
    {&ThemeColors::highlightedTextColor, "HighlightedTextColor"},
    {&ThemeColors::shadowColor, "ShadowColor"},
    {&ThemeColors::todayTextColor, "TodayTextColor"},
};

// The menu and filter buttons come in pairs, Up then Down, in the order of ThemeImage.
constexpr const char* menuButtons[] = {
    "Back", "Settings", "Next", "Add", "Cancel", "Checkmark", "Edit"};
constexpr const char* filterButtons[] = {
    "None", "Facebook", "Other", "Birthday", "Anniversary", "Holidays"};
constexpr const char* typeIcons[] = {"Holiday", "Birthday", "Anniversary", "Other"};

int offsetFrom(ThemeImage image, ThemeImage first)
{
    return int(image) - int(first);
}

double component(const QVariantMap& components, const char* key, double missing)
{
    bool ok = false;
    const double value = components.value(QLatin1String(key)).toDouble(&ok);
    if (!ok || std::isnan(value))
        return missing;
    return std::clamp(value, 0.0, 1.0);
}

QString pairedButton(const char* pattern, const char* name, const char* shade, int offset)
{
    return QString::fromLatin1(pattern).arg(
        QLatin1String(name), QLatin1String(shade), QLatin1String(offset % 2 ? "Down" : "Up"));
}

} // namespace

ApplicationTheme::ApplicationTheme(
    const Settings& settings, QString resourceRoot, QString documentsFolder)
    : m_settings(settings), m_resourceRoot(std::move(resourceRoot)),
      m_documentsFolder(std::move(documentsFolder))
{
}

QColor ApplicationTheme::colorFromArray(const QVariantMap& components)
{
    return QColor::fromRgbF(float(component(components, "R", 0)),
        float(component(components, "G", 0)), float(component(components, "B", 0)),
        float(component(components, "A", 1)));
}

QString ApplicationTheme::imageName(ThemeImage image, int number, bool dark)
{
    const char* shade = dark ? "Black" : "White";
    if (image == ThemeImage::searchIconHelp)
        return dark ? QStringLiteral("Search.png") : QStringLiteral("Search_White.png");
    if (image <= ThemeImage::menuEditDown) {
        const int offset = offsetFrom(image, ThemeImage::menuBackUp);
        return pairedButton("MenuButton_%1_%2_%3.png", menuButtons[offset / 2], shade, offset);
    }
    if (image <= ThemeImage::filterHolidaysDown) {
        // The standard theme's filter bar is light whatever its icons.
        const int offset = offsetFrom(image, ThemeImage::filterNoneUp);
        const char* filterShade = dark && number != StandardTheme ? "Black" : "White";
        return pairedButton("Filter_%1_%2_%3.png", filterButtons[offset / 2], filterShade, offset);
    }
    if (image <= ThemeImage::otherIcon)
        return QStringLiteral("TypeIcon_%1_%2.png")
            .arg(QLatin1String(typeIcons[offsetFrom(image, ThemeImage::holidayIcon)]),
                QLatin1String(shade));
    switch (image) {
    case ThemeImage::checkmarkImage:
        return dark ? QStringLiteral("TableViewCell_CheckmarkDark.png")
                    : QStringLiteral("TableViewCell_CheckmarkLight.png");
    case ThemeImage::disclosureImage:
        return dark ? QStringLiteral("TableViewCell_DisclosureArrowDark.png")
                    : QStringLiteral("TableViewCell_DisclosureArrowLight.png");
    case ThemeImage::upcomingOnUp:
        return dark && number == StandardTheme ? QStringLiteral("UpcomingButton_On_Standard_Up.png")
                                               : QStringLiteral("UpcomingButton_On_Up.png");
    default:
        return QStringLiteral("UpcomingButton_Off_%1.png").arg(QLatin1String(shade));
    }
}

void ApplicationTheme::loadTheme(int number, bool force)
{
    if (number < 0) {
        number = int(m_settings.integerValue(QString(Key::ApplicationTheme)));
        if (number == m_currentTheme && !force)
            return;
        m_currentTheme = number;
    }
    const std::optional<QVariantMap> entry = themeEntry(number);
    if (!entry)
        return;
    applyEntry(number, *entry);
    if (number != NoBackgroundTheme)
        loadBackgrounds(number);
}

std::optional<QVariantMap> ApplicationTheme::themeEntry(int number) const
{
    QFile file(QDir(m_resourceRoot).filePath(QStringLiteral("Themes.plist")));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<QVariant> root = PropertyList::read(file.readAll());
    if (!root)
        return std::nullopt;
    for (const QVariant& item : root->toList()) {
        const QVariantMap entry = item.toMap();
        bool ok = false;
        if (entry.value(QStringLiteral("Key")).toLongLong(&ok) == number && ok)
            return entry;
    }
    return std::nullopt;
}

void ApplicationTheme::applyEntry(int number, const QVariantMap& entry)
{
    isStandardTheme = number == StandardTheme;
    showStripes = false;
    showGloss = true;
    gradientFactor = entry.value(QStringLiteral("GradientFactor")).toDouble();
    gradientTitle = Settings::toBool(entry.value(QStringLiteral("GradientTitle")));
    for (const ColorKey& color : colorKeys)
        colors.*color.member = colorFromArray(entry.value(QLatin1String(color.key)).toMap());
    const bool dark = Settings::toBool(entry.value(QStringLiteral("DarkAccessoryIcons")));
    linkColor = dark ? QColor::fromRgbF(0, 0.2f, 0.6f) : QColor::fromRgbF(0.8f, 0.85f, 1.0f);
    for (int i = 0; i < ThemeImageCount; ++i)
        m_images.at(size_t(i)) = resourceImage(imageName(ThemeImage(i), number, dark));
}

void ApplicationTheme::loadBackgrounds(int number)
{
    const QString base = QStringLiteral("ThemeBackground_%1").arg(number);
    const auto picture = [&](const QString& suffix) {
        const QString name = base + suffix + QStringLiteral(".png");
        return number == CustomTheme ? documentImage(QDir(m_documentsFolder).filePath(name))
                                     : resourceImage(name);
    };
    backgroundImage = picture(QString());
    settingsBackgroundImage = backgroundImage;
    backgroundStartupTopImage = picture(QStringLiteral("_StartupTop"));
    backgroundSearchBarImage = picture(QStringLiteral("_SearchBar"));
}

// The user's own pictures are read only from regular files: a FIFO put in their place
// would block every screen refresh.
QImage ApplicationTheme::documentImage(const QString& path)
{
    QByteArray bytes;
    if (RegularFile::read(path, &bytes) != RegularFile::ReadStatus::Read)
        return {};
    return QImage::fromData(bytes);
}

QImage ApplicationTheme::resourceImage(const QString& name) const
{
    return QImage(QDir(m_resourceRoot).filePath(QStringLiteral("images/") + name));
}

} // namespace fetemark
