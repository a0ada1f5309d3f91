#include "HolidayCatalogue.h"

#include "core/text/Texts.h"
#include "platform/archive/PropertyList.h"

#include <QFile>

#include <map>
#include <mutex>

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
    QFile file(resourceRoot + QStringLiteral("/Holidays.plist"));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error =
                QStringLiteral("The holiday catalogue cannot be read: %1").arg(file.errorString());
        return {};
    }
    QString problem;
    const std::optional<QVariant> root = PropertyList::read(file.readAll(), &problem);
    if (!root) {
        if (error)
            *error = QStringLiteral("The holiday catalogue is damaged: %1").arg(problem);
        return {};
    }
    return fromPropertyList(*root);
}

std::shared_ptr<const HolidayCatalogue> HolidayCatalogue::shared(const QString& resourceRoot)
{
    // The resources never change while the program runs.
    static std::mutex mutex;
    static std::map<QString, std::shared_ptr<const HolidayCatalogue>> loaded;
    const std::lock_guard lock(mutex);
    auto& slot = loaded[resourceRoot];
    if (!slot)
        slot = std::make_shared<const HolidayCatalogue>(load(resourceRoot));
    return slot;
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
