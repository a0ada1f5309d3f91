#include "HolidayCatalogue.h"

#include "core/holidays/HolidayResource.h"
#include "core/text/Texts.h"

namespace fetemark {

HolidayCatalogue HolidayCatalogue::fromPropertyList(const QVariant& root, int* problems)
{
    HolidayCatalogue catalogue;
    int skipped = 0;
    const QVariantList categories = root.toMap().value(QStringLiteral("Categories")).toList();
    for (const QVariant& entry : categories) {
        const QVariantMap map = entry.toMap();
        HolidayCategory category;
        category.key = map.value(QStringLiteral("Key")).toString();
        if (category.key.isEmpty() || catalogue.m_index.contains(category.key)) {
            ++skipped;
            continue;
        }
        for (const QVariant& holiday : map.value(QStringLiteral("Holidays")).toList()) {
            const QString key = holiday.toMap().value(QStringLiteral("Key")).toString();
            if (key.isEmpty() || category.holidayKeys.contains(key))
                ++skipped;
            else
                category.holidayKeys << key;
        }
        catalogue.m_index.insert(category.key, qsizetype(catalogue.m_categories.size()));
        catalogue.m_categories.push_back(std::move(category));
    }
    if (problems)
        *problems = skipped;
    return catalogue;
}

HolidayCatalogue HolidayCatalogue::load(const QString& resourceRoot, QString* error)
{
    const std::optional<QVariant> root = HolidayResource::read(
        resourceRoot + QStringLiteral("/Holidays.plist"), QStringLiteral("catalogue"), error);
    return root ? fromPropertyList(*root) : HolidayCatalogue();
}

std::shared_ptr<const HolidayCatalogue> HolidayCatalogue::shared(const QString& resourceRoot)
{
    return HolidayResource::shared<HolidayCatalogue>(resourceRoot);
}

const HolidayCategory* HolidayCatalogue::category(const QString& key) const
{
    const auto it = m_index.constFind(key);
    return it == m_index.cend() ? nullptr : &m_categories[size_t(*it)];
}

namespace HolidayTexts {

namespace {
const QString HolidaysTable = QStringLiteral("Holidays");
const QString InfoTable = QStringLiteral("HolidayInfo");
} // namespace

QString lookupKey(const QString& category, const QString& holiday)
{
    return category + QLatin1Char('_') + holiday;
}

QString categoryName(const Texts& texts, const QString& category)
{
    const QString key = category + QStringLiteral("_name");
    return texts.text(key, {}, HolidaysTable);
}

QString holidayName(const Texts& texts, const QString& category, const QString& holiday)
{
    return texts.text(lookupKey(category, holiday), {}, HolidaysTable);
}

QString holidayInfo(const Texts& texts, const QString& category, const QString& holiday)
{
    const QString key = lookupKey(category, holiday);
    const QString info = texts.text(key, {}, InfoTable);
    return info == key ? QString() : info;
}

} // namespace HolidayTexts

} // namespace fetemark
