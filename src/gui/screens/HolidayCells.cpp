#include "HolidayCells.h"

#include "core/list/ListPhotos.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/widgets/ThemeIcons.h"

#include <QHBoxLayout>
#include <QLabel>

namespace fetemark {
namespace {

constexpr int MarkSize = 20;
constexpr qreal DimmedOpacity = 0.33;
constexpr qreal DisabledOpacity = 0.45;

} // namespace

HolidayValueRow::HolidayValueRow(const QString& iconFile, const QString& text, QWidget* parent)
    : SettingsRow(iconFile, text, parent), m_value(new QLabel), m_markLabel(new QLabel)
{
    auto* accessory = new QWidget;
    auto* layout = new QHBoxLayout(accessory);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_value->setVisible(false);
    m_markLabel->setFixedSize(MarkSize, MarkSize);
    m_markLabel->setAlignment(Qt::AlignCenter);
    m_markLabel->setVisible(false);
    layout->addWidget(m_value);
    layout->addWidget(m_markLabel);
    setAccessory(accessory);
}

void HolidayValueRow::setValue(const QString& value, bool dimmed)
{
    m_value->setText(value);
    m_value->setVisible(!value.isEmpty());
    m_dimmed = dimmed;
    if (m_theme)
        colourLabel(m_value, *m_theme, dimmed ? DimmedOpacity : 1);
    describe();
}

void HolidayValueRow::setMark(Mark mark)
{
    m_mark = mark;
    showMark();
    describe();
}

void HolidayValueRow::applyTheme(const ApplicationTheme& theme)
{
    SettingsRow::applyTheme(theme);
    m_theme = &theme;
    if (!isEnabled())
        colourLabel(textLabel(), theme, DisabledOpacity);
    colourLabel(m_value, theme, m_dimmed || !isEnabled() ? DimmedOpacity : 1);
    showMark();
}

void HolidayValueRow::showMark()
{
    QPixmap image;
    if (m_theme && m_mark == Mark::Disclosure)
        image = ThemeIcons::pixmap(*m_theme, ThemeImage::disclosureImage);
    else if (m_theme && m_mark == Mark::Checked)
        image = ThemeIcons::pixmap(*m_theme, ThemeImage::checkmarkImage);
    m_markLabel->setPixmap(image);
    // An unchecked row keeps the mark's room, so the values stay in one column.
    m_markLabel->setVisible(m_mark != Mark::None);
}

void HolidayValueRow::describe()
{
    QStringList parts;
    if (!m_value->text().isEmpty())
        parts << m_value->text();
    if (m_mark == Mark::Checked)
        parts << tr("checked");
    else if (m_mark == Mark::Unchecked)
        parts << tr("not checked");
    setAccessibleDescription(parts.join(QStringLiteral(", ")));
}

QPixmap HolidayValueRow::holidayIcon(const QString& fileName)
{
    const QImage image = ListPhotos::readPicture(ListPhotos::holidayPicturePath(fileName));
    if (image.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(ListPhotos::createRoundedImage(image, 35, 3));
    pixmap.setDevicePixelRatio(ListPhotos::ArtworkScale);
    return pixmap;
}

} // namespace fetemark
