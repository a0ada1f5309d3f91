#include "ActivityIndicator.h"

#include <QDateTime>
#include <QPainter>
#include <QTimerEvent>

#include <cmath>

namespace fetemark {

ActivityIndicator::ActivityIndicator(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(tr("Working"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ActivityIndicator::setColor(const QColor& color)
{
    m_color = color;
    update();
}

int ActivityIndicator::currentStep()
{
    return int((QDateTime::currentMSecsSinceEpoch() / StepMilliseconds) % Spokes);
}

void ActivityIndicator::paint(QPainter& painter, const QRectF& rect, int step, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center());
    QPen pen(color);
    pen.setWidthF(std::max(1.5, side / 11.0));
    pen.setCapStyle(Qt::RoundCap);
    for (int spoke = 0; spoke < Spokes; ++spoke) {
        // Spokes behind the bright one fade out over the turn.
        const int age = (step - spoke + Spokes) % Spokes;
        QColor shade = color;
        shade.setAlphaF(color.alphaF() * (1.0 - 0.75 * age / (Spokes - 1)));
        pen.setColor(shade);
        painter.setPen(pen);
        const qreal angle = 2 * M_PI * spoke / Spokes - M_PI / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.drawLine(direction * side * 0.25, direction * side * 0.45);
    }
    painter.restore();
}

void ActivityIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, rect(), currentStep(), m_color);
}

void ActivityIndicator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_timer)
        m_timer = startTimer(StepMilliseconds);
}

void ActivityIndicator::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_timer)
        killTimer(m_timer);
    m_timer = 0;
}

void ActivityIndicator::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer)
        update();
}

} // namespace fetemark
