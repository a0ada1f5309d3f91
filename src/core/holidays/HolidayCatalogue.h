#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace fetemark {

class Texts;

// One category of the catalogue: a country (two-letter ISO code) or a religion, and the
// keys of the holidays it keeps.
struct HolidayCategory {
    QString key;
    QStringList holidayKeys;

    bool isCountry() const { return isCountryKey(key); }
    static bool isCountryKey(const QString& key) { return key.size() == 2; }
};

// The holiday catalogue shipped in the resources ("Holidays.plist"): which categories
// exist and which holidays each keeps. Read-only; one parsed copy per resource root is
// shared by every thread.
class HolidayCatalogue {
public:
    // The category no screen offers; its holidays are chosen by command only.
    static constexpr QLatin1StringView General {"GENERAL"};

    HolidayCatalogue() = default;
    // The parsed catalogue; entries that are not a category with a key are skipped and
    // counted in `problems`.
    static HolidayCatalogue fromPropertyList(const QVariant& root, int* problems = nullptr);
    // "<resourceRoot>/Holidays.plist"; an empty catalogue with `error` set when it is
    // missing or unreadable.
    static HolidayCatalogue load(const QString& resourceRoot, QString* error = nullptr);
    static std::shared_ptr<const HolidayCatalogue> shared(const QString& resourceRoot);

    const std::vector<HolidayCategory>& categories() const { return m_categories; }
    const HolidayCategory* category(const QString& key) const;
    bool isEmpty() const { return m_categories.empty(); }

private:
    std::vector<HolidayCategory> m_categories;
    QHash<QString, qsizetype> m_index;
};

// The names and descriptions of the string tables "Holidays" and "HolidayInfo".
namespace HolidayTexts {
// "DE_good-friday": the key that names one category's holiday in every table.
QString lookupKey(const QString& category, const QString& holiday);
// The category's display name; the key itself when the table has none.
QString categoryName(const Texts& texts, const QString& category);
QString holidayName(const Texts& texts, const QString& category, const QString& holiday);
// A sentence or two about the holiday; empty when there is none.
QString holidayInfo(const Texts& texts, const QString& category, const QString& holiday);
} // namespace HolidayTexts

} // namespace fetemark
