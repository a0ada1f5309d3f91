#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QVariantMap>

#include <array>
#include <optional>

namespace fetemark {

class Settings;

// The images a theme picks by its "DarkAccessoryIcons" flag: search icon, bar buttons,
// filter buttons, type icons, row accessories and the upcoming button.
enum class ThemeImage {
    searchIconHelp,
    menuBackUp,
    menuBackDown,
    menuSettingsUp,
    menuSettingsDown,
    menuNextUp,
    menuNextDown,
    menuAddUp,
    menuAddDown,
    menuCancelUp,
    menuCancelDown,
    menuCheckUp,
    menuCheckDown,
    menuEditUp,
    menuEditDown,
    filterNoneUp,
    filterNoneDown,
    filterFacebookUp,
    filterFacebookDown,
    filterOthersUp,
    filterOthersDown,
    filterBirthdaysUp,
    filterBirthdaysDown,
    filterAnniversariesUp,
    filterAnniversariesDown,
    filterHolidaysUp,
    filterHolidaysDown,
    holidayIcon,
    birthdayIcon,
    anniversaryIcon,
    otherIcon,
    checkmarkImage,
    disclosureImage,
    upcomingOnUp,
    upcomingOff,
};
inline constexpr int ThemeImageCount = int(ThemeImage::upcomingOff) + 1;

// The thirteen colours a theme entry gives.
struct ThemeColors {
    QColor rowColor1;
    QColor rowColor2;
    QColor titleColor;
    QColor titleBorderColor;
    QColor titleStripeColor;
    QColor borderColor;
    QColor separatorColor;
    QColor highlightColor;
    QColor upcomingBorderColor;
    QColor textColor;
    QColor highlightedTextColor;
    QColor shadowColor;
    QColor todayTextColor;
};

// The colours, flags and pictures every screen draws with. Themes are the entries of
// "Themes.plist" among the resources; their backgrounds are the images named after the
// theme number, except for the own photo theme, whose pictures are files in the
// documents folder. The application owns one shared instance, loaded from the
// "applicationtheme" setting whenever a screen refreshes, and one holding theme 101.
class ApplicationTheme {
public:
    static constexpr int StandardTheme = 101;
    static constexpr int CustomTheme = 100;
    static constexpr int NoBackgroundTheme = 9999;

    // `settings` names the theme for loads without a number; `resourceRoot` holds
    // "Themes.plist" and images/; `documentsFolder` the own photo theme's pictures.
    ApplicationTheme(const Settings& settings, QString resourceRoot, QString documentsFolder);

    // The theme the setting names, unless it is the one loaded through it already.
    void loadTheme() { loadTheme(-1, false); }
    // The own photo theme, even when it is loaded (its pictures may have changed).
    void forceLoadCustom() { loadTheme(CustomTheme, true); }
    // Theme `number`; a negative number takes the setting and is skipped when it names
    // `currentTheme` unless `force`. A number without an entry changes nothing.
    void loadTheme(int number, bool force);

    // A colour from a dictionary with "R", "G", "B" and "A" from 0 to 1; a missing or
    // bad component counts as 0, except opacity, which counts as 1.
    static QColor colorFromArray(const QVariantMap& components);
    // The resource name of `image` for theme `number` with dark or light accessories.
    static QString imageName(ThemeImage image, int number, bool darkAccessoryIcons);

    QString customFilePath() const { return m_documentsFolder; }
    int currentTheme() const { return m_currentTheme; }
    const QImage& image(ThemeImage which) const { return m_images.at(size_t(which)); }

    bool isStandardTheme = false;
    bool showStripes = false;
    bool showGloss = false;
    double gradientFactor = 0;
    bool gradientTitle = false;
    ThemeColors colors;
    QColor linkColor;
    QImage backgroundImage;
    QImage settingsBackgroundImage;
    QImage backgroundStartupTopImage;
    QImage backgroundSearchBarImage;

private:
    std::optional<QVariantMap> themeEntry(int number) const;
    void applyEntry(int number, const QVariantMap& entry);
    void loadBackgrounds(int number);
    QImage resourceImage(const QString& name) const;
    static QImage documentImage(const QString& path);

    const Settings& m_settings;
    QString m_resourceRoot;
    QString m_documentsFolder;
    int m_currentTheme = -1;
    std::array<QImage, ThemeImageCount> m_images;
};

} // namespace fetemark
