#include "ThemedSwitch.h"

#include <QPainter>

namespace fetemark {

ThemedSwitch::ThemedSwitch(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ThemedSwitch::sizeHint() const
{
    return {51, 31};
}

void ThemedSwitch::setOnColor(const QColor& color)
{
    m_onColor = color;
    update();
}

void ThemedSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = track.height() / 2;
    painter.setPen(isChecked() ? Qt::NoPen : QPen(QColor(0, 0, 0, 40), 1));
    painter.setBrush(isChecked() ? m_onColor : QColor(0xe5, 0xe5, 0xea));
    painter.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(QPen(QColor(0, 0, 0, 50), 0.5));
    painter.setBrush(isDown() ? QColor(0xf2, 0xf2, 0xf2) : QColor(Qt::white));
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-0.5, -0.5, 0.5, 0.5), radius, radius);
    }
}

} // namespace fetemark
