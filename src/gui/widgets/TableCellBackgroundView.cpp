#include "TableCellBackgroundView.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace fetemark {
namespace {

QColor mixed(const QColor& from, const QColor& to, qreal amount)
{
    amount = std::clamp(amount, 0.0, 1.0);
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * amount),
        float(from.greenF() + (to.greenF() - from.greenF()) * amount),
        float(from.blueF() + (to.blueF() - from.blueF()) * amount), from.alphaF());
}

bool roundsTop(RowLocation location)
{
    return location == RowLocation::Top || location == RowLocation::Single;
}

bool roundsBottom(RowLocation location)
{
    return location == RowLocation::Bottom || location == RowLocation::Single;
}

} // namespace

TableCellBackgroundView::TableCellBackgroundView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void TableCellBackgroundView::setStyle(const CellBackgroundStyle& style)
{
    if (style == m_style)
        return;
    m_style = style;
    markBackgroundDirty();
    if (isVisible())
        update();
}

void TableCellBackgroundView::setLocation(RowLocation location)
{
    CellBackgroundStyle style = m_style;
    style.location = location;
    setStyle(style);
}

void TableCellBackgroundView::setFillColor(const QColor& color)
{
    CellBackgroundStyle style = m_style;
    style.fillColor = color;
    setStyle(style);
}

QPainterPath TableCellBackgroundView::outline(
    const QRectF& rect, RowLocation location, qreal radius)
{
    const qreal top = roundsTop(location) ? radius : 0;
    const qreal bottom = roundsBottom(location) ? radius : 0;
    QPainterPath path;
    path.moveTo(rect.left(), rect.top() + top);
    if (top > 0)
        path.arcTo(QRectF(rect.left(), rect.top(), 2 * top, 2 * top), 180, -90);
    path.lineTo(rect.right() - top, rect.top());
    if (top > 0)
        path.arcTo(QRectF(rect.right() - 2 * top, rect.top(), 2 * top, 2 * top), 90, -90);
    path.lineTo(rect.right(), rect.bottom() - bottom);
    if (bottom > 0)
        path.arcTo(
            QRectF(rect.right() - 2 * bottom, rect.bottom() - 2 * bottom, 2 * bottom, 2 * bottom),
            0, -90);
    path.lineTo(rect.left() + bottom, rect.bottom());
    if (bottom > 0)
        path.arcTo(
            QRectF(rect.left(), rect.bottom() - 2 * bottom, 2 * bottom, 2 * bottom), 270, -90);
    path.closeSubpath();
    return path;
}

void TableCellBackgroundView::paint(
    QPainter& painter, const QRectF& rect, const CellBackgroundStyle& style)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF inner = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath path = outline(inner, style.location, CornerRadius);
    const QColor fill = style.fillColor.isValid() ? style.fillColor : QColor(Qt::white);
    if (style.showGradient) {
        // White above the fill and black below it, as strong as the factor says; a
        // negative factor darkens the top instead.
        const qreal strength = std::min(std::abs(style.gradientFactor), 1.0) * 0.35;
        QColor top = mixed(fill, Qt::white, strength);
        QColor bottom = mixed(fill, Qt::black, strength);
        if (style.reverseGradient != (style.gradientFactor < 0))
            std::swap(top, bottom);
        QLinearGradient gradient(inner.topLeft(), inner.bottomLeft());
        gradient.setColorAt(0, top);
        gradient.setColorAt(0.5, fill);
        gradient.setColorAt(1, bottom);
        painter.fillPath(path, gradient);
    } else {
        painter.fillPath(path, fill);
    }
    if (style.showStripes && style.stripeColor.isValid()) {
        painter.setClipPath(path);
        painter.setPen(QPen(style.stripeColor, 1));
        for (qreal x = inner.left() - inner.height(); x < inner.right(); x += 6)
            painter.drawLine(QPointF(x, inner.bottom()), QPointF(x + inner.height(), inner.top()));
        painter.setClipping(false);
    }
    if (!roundsBottom(style.location) && style.separatorColor.isValid()) {
        painter.setPen(QPen(style.separatorColor, 1));
        painter.drawLine(
            QPointF(inner.left(), inner.bottom()), QPointF(inner.right(), inner.bottom()));
    }
    if (style.borderColor.isValid()) {
        painter.setPen(QPen(style.borderColor, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.restore();
}

void TableCellBackgroundView::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    if (m_cache.isNull() || m_cache.size() != size() * ratio) {
        m_cache = QPixmap(size() * ratio);
        m_cache.setDevicePixelRatio(ratio);
        m_cache.fill(Qt::transparent);
        QPainter cachePainter(&m_cache);
        paint(cachePainter, QRectF(QPointF(0, 0), QSizeF(size())), m_style);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache);
}

void TableCellBackgroundView::resizeEvent(QResizeEvent*)
{
    markBackgroundDirty();
}

} // namespace fetemark
