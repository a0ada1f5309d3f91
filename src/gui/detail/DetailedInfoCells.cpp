#include "DetailedInfoCells.h"

#include "PictureWithCopy.h"

#include "core/list/ListPhotos.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/widgets/ThemeIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace fetemark {
namespace {

QLabel* wrappingLabel(QWidget* parent, qreal pointSize, bool bold)
{
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPixelSize(int(pointSize));
    font.setBold(bold);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

DetailedInfoTopCell::DetailedInfoTopCell(QWidget* parent)
    : DetailRow(parent), m_photo(new PictureWithCopy(this)), m_type(wrappingLabel(this, 17, true)),
      m_date(wrappingLabel(this, 15, false)), m_detail(wrappingLabel(this, 14, false))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 9, 10, 9);
    layout->setSpacing(12);
    m_photo->setFixedSize(HeaderPhoto::Size, HeaderPhoto::Size);
    layout->addWidget(m_photo, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addStretch(1);
    texts->addWidget(m_type);
    texts->addWidget(m_date);
    texts->addWidget(m_detail);
    texts->addStretch(1);
    layout->addLayout(texts, 1);
}

void DetailedInfoTopCell::setHeader(
    const DetailedInfoHeader& header, const HeaderPhoto& photo, bool showPhoto)
{
    m_type->setText(header.typeText);
    m_date->setText(header.dateText);
    m_detail->setText(header.detailText);
    m_detail->setVisible(!header.detailText.isEmpty());
    m_detailStyle = header.detailStyle;
    QFont font = m_detail->font();
    font.setBold(header.detailStyle.bold);
    m_detail->setFont(font);
    QPixmap picture;
    if (!photo.image.isNull()) {
        picture = QPixmap::fromImage(photo.image);
        picture.setDevicePixelRatio(ListPhotos::ArtworkScale);
    } else if (!photo.blankFile.isEmpty()) {
        picture = ThemeIcons::resourcePixmap(photo.blankFile);
    }
    m_photo->setPicture(picture);
    m_photo->setCopyImage(photo.copyable ? photo.copyImage : QImage());
    m_photo->setVisible(showPhoto && !picture.isNull());
    setMinimumHeight(showPhoto ? HeightWithPhoto : HeightWithoutPhoto);
    setAccessibleName(header.typeText + QStringLiteral(", ") + header.dateText);
}

void DetailedInfoTopCell::applyTheme(const ApplicationTheme& theme)
{
    DetailRow::applyTheme(theme);
    colourLabel(m_type, theme);
    colourLabel(m_date, theme);
    if (m_detailStyle.todayColour && theme.colors.todayTextColor.isValid()) {
        QPalette palette = m_detail->palette();
        palette.setColor(QPalette::WindowText, theme.colors.todayTextColor);
        m_detail->setPalette(palette);
    } else {
        colourLabel(m_detail, theme);
    }
}

TextBlockRow::TextBlockRow(const QString& iconFile, QWidget* parent)
    : DetailRow(parent), m_text(wrappingLabel(this, 14, false))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 7, 10, 7);
    layout->setSpacing(10);
    const QPixmap icon = iconFile.isEmpty() ? QPixmap() : roundedIcon(iconFile);
    if (!icon.isNull()) {
        auto* iconLabel = new QLabel(this);
        iconLabel->setPixmap(icon);
        iconLabel->setFixedSize(35, 35);
        layout->addWidget(iconLabel, 0, Qt::AlignTop);
    }
    m_text->setMinimumHeight(15);
    layout->addWidget(m_text, 1);
}

void TextBlockRow::setText(const QString& text, bool faint)
{
    m_text->setText(text);
    m_faint = faint;
    setAccessibleName(text);
}

void TextBlockRow::applyTheme(const ApplicationTheme& theme)
{
    DetailRow::applyTheme(theme);
    colourLabel(m_text, theme, m_faint ? 0.5 : 1);
}

DetailedInfoTableViewCell::DetailedInfoTableViewCell(const ActionRow& row, QWidget* parent)
    : DetailRow(parent), m_type(wrappingLabel(this, 13, true)),
      m_detail(wrappingLabel(this, 15, false)), m_detail2(wrappingLabel(this, 15, false))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(10);
    auto* icon = new QLabel(this);
    icon->setPixmap(roundedIcon(row.iconFile));
    icon->setFixedSize(35, 35);
    layout->addWidget(icon, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    m_type->setText(row.caption);
    m_detail->setText(row.detail);
    m_detail2->setText(row.detail2);
    m_detail2->setVisible(!row.detail2.isEmpty());
    for (QLabel* label : {m_type, m_detail, m_detail2})
        label->setTextInteractionFlags(Qt::NoTextInteraction);
    texts->addWidget(m_type);
    texts->addWidget(m_detail);
    texts->addWidget(m_detail2);
    layout->addLayout(texts, 1);
    if (row.disclosure) {
        m_disclosure = new QLabel(this);
        layout->addWidget(m_disclosure, 0, Qt::AlignVCenter);
    }
    setSelectable(row.selectable);
    setMinimumHeight(row.detail2.isEmpty() ? 44 : 60);
    setAccessibleName(row.caption + QLatin1Char(' ') + row.detail +
        (row.detail2.isEmpty() ? QString() : QLatin1Char(' ') + row.detail2));
}

void DetailedInfoTableViewCell::applyTheme(const ApplicationTheme& theme)
{
    DetailRow::applyTheme(theme);
    for (QLabel* label : {m_type, m_detail, m_detail2})
        colourLabel(label, theme);
    if (m_disclosure)
        m_disclosure->setPixmap(ThemeIcons::pixmap(theme, ThemeImage::disclosureImage));
}

} // namespace fetemark
