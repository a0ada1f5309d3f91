#include "DetailRow.h"

#include "core/list/ListPhotos.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/widgets/ThemeIcons.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace fetemark {

DetailRow::DetailRow(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void DetailRow::setBackgroundStyle(const CellBackgroundStyle& style)
{
    m_style = style;
    update();
}

void DetailRow::setSelectable(bool selectable)
{
    m_selectable = selectable;
    setFocusPolicy(selectable ? Qt::StrongFocus : Qt::NoFocus);
    setCursor(selectable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void DetailRow::applyTheme(const ApplicationTheme& theme)
{
    m_highlight = theme.colors.highlightColor;
}

QPixmap DetailRow::roundedIcon(const QString& file, int size, int shadow)
{
    const QImage image(QStringLiteral(":/resources/images/") + file);
    if (image.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(ListPhotos::createRoundedImage(image, size, shadow));
    pixmap.setDevicePixelRatio(ListPhotos::ArtworkScale);
    return pixmap;
}

void DetailRow::colourLabel(QLabel* label, const ApplicationTheme& theme, qreal opacity)
{
    QColor colour = theme.colors.textColor.isValid() ? theme.colors.textColor : QColor(Qt::black);
    colour.setAlphaF(float(colour.alphaF() * opacity));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void DetailRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    CellBackgroundStyle style = m_style;
    if (m_pressed && m_highlight.isValid()) {
        style.fillColor = m_highlight;
        style.showGradient = true;
    }
    TableCellBackgroundView::paint(painter, QRectF(rect()), style);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.drawPath(TableCellBackgroundView::outline(QRectF(rect()).adjusted(1, 1, -1, -1),
            style.location, TableCellBackgroundView::CornerRadius));
    }
}

void DetailRow::mousePressEvent(QMouseEvent* event)
{
    if (m_selectable && event->button() == Qt::LeftButton) {
        m_pressed = true;
        update();
    }
    QWidget::mousePressEvent(event);
}

void DetailRow::mouseReleaseEvent(QMouseEvent* event)
{
    const bool chosen = m_pressed && rect().contains(event->position().toPoint());
    m_pressed = false;
    update();
    if (chosen)
        emit activated();
}

void DetailRow::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (m_selectable && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        emit activated();
        return;
    }
    QWidget::keyPressEvent(event);
}

SettingsRow::SettingsRow(const QString& iconFile, const QString& text, QWidget* parent)
    : DetailRow(parent), m_icon(new QLabel(this)), m_text(new QLabel(text, this)),
      m_detail(new QLabel(this)), m_layout(new QHBoxLayout(this))
{
    setAccessibleName(text);
    m_layout->setContentsMargins(10, 4, 10, 4);
    m_layout->setSpacing(10);
    const QPixmap icon = iconFile.isEmpty() ? QPixmap() : roundedIcon(iconFile);
    m_icon->setPixmap(icon);
    m_icon->setFixedSize(35, 35);
    m_icon->setVisible(!icon.isNull());
    m_layout->addWidget(m_icon, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    QFont bold = m_text->font();
    bold.setBold(true);
    m_text->setFont(bold);
    m_text->setWordWrap(true);
    m_detail->setWordWrap(true);
    m_detail->setVisible(false);
    texts->addWidget(m_text);
    texts->addWidget(m_detail);
    m_layout->addLayout(texts, 1);
    setMinimumHeight(44);
}

void SettingsRow::setIcon(const QPixmap& icon)
{
    m_icon->setPixmap(icon);
    m_icon->setVisible(!icon.isNull());
}

void SettingsRow::setDetail(const QString& detail)
{
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
}

void SettingsRow::setAccessory(QWidget* accessory)
{
    delete m_accessory;
    m_accessory = accessory;
    if (accessory)
        m_layout->addWidget(accessory, 0, Qt::AlignVCenter);
}

void SettingsRow::applyTheme(const ApplicationTheme& theme)
{
    DetailRow::applyTheme(theme);
    colourLabel(m_text, theme);
    colourLabel(m_detail, theme);
}

} // namespace fetemark
