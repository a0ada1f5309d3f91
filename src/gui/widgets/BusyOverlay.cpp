#include "BusyOverlay.h"

#include "gui/widgets/ActivityIndicator.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace fetemark {
namespace {

constexpr int IndicatorSide = 37;
constexpr int TextGap = 12;
constexpr qreal ShadeAlpha = 0.55;

} // namespace

BusyOverlay::BusyOverlay(QWidget* parent)
    : QWidget(parent), m_indicator(new ActivityIndicator(this))
{
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Working"));
    m_delay.setSingleShot(true);
    m_delay.setInterval(DelayMilliseconds);
    connect(&m_delay, &QTimer::timeout, this, [this] { appear(true); });
    parent->installEventFilter(this);
    hide();
}

void BusyOverlay::start(const QString& text)
{
    m_text = text;
    setAccessibleDescription(text);
    update();
    if (m_active)
        return;
    m_active = true;
    if (isVisible())
        appear(true);
    else
        m_delay.start();
}

void BusyOverlay::startNow(const QString& text, bool fadeIn)
{
    m_text = text;
    setAccessibleDescription(text);
    m_active = true;
    m_delay.stop();
    appear(fadeIn);
}

void BusyOverlay::stop(bool animated)
{
    m_active = false;
    m_delay.stop();
    if (!isVisible())
        return;
    if (m_focusBefore)
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    if (animated)
        fadeTo(0.0, FadeMilliseconds);
    else
        setOpacity(0.0);
}

void BusyOverlay::appear(bool fadeIn)
{
    if (!isVisible()) {
        m_opacity = 0;
        setGeometry(parentWidget()->rect());
        layoutIndicator();
        show();
        m_focusBefore = QApplication::focusWidget();
        if (m_focusBefore && !parentWidget()->isAncestorOf(m_focusBefore))
            m_focusBefore = nullptr;
    }
    raise();
    setFocus(Qt::OtherFocusReason);
    if (fadeIn)
        fadeTo(1.0, FadeMilliseconds);
    else
        setOpacity(1.0);
}

void BusyOverlay::fadeTo(qreal target, int milliseconds)
{
    delete m_fade;
    auto* fade = new QVariantAnimation(this);
    fade->setStartValue(m_opacity);
    fade->setEndValue(target);
    // A fade taken over halfway runs for the part that is left.
    fade->setDuration(std::max(1, int(milliseconds * std::abs(target - m_opacity))));
    connect(fade, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { setOpacity(value.toReal()); });
    connect(fade, &QVariantAnimation::finished, this, [this, target] { setOpacity(target); });
    m_fade = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void BusyOverlay::setOpacity(qreal opacity)
{
    m_opacity = opacity;
    QColor color = Qt::white;
    color.setAlphaF(float(opacity));
    m_indicator->setColor(color);
    if (opacity <= 0.0 && !m_active)
        hide();
    update();
}

void BusyOverlay::layoutIndicator()
{
    const QPoint centre = rect().center();
    m_indicator->setGeometry(
        centre.x() - IndicatorSide / 2, centre.y() - IndicatorSide, IndicatorSide, IndicatorSide);
}

void BusyOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    QColor shade = Qt::black;
    shade.setAlphaF(float(ShadeAlpha));
    painter.fillRect(rect(), shade);
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(15);
    painter.setFont(font);
    const QRect textRect(20, m_indicator->geometry().bottom() + TextGap, width() - 40, 60);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    painter.setPen(QColor(0, 0, 0, 160));
    painter.drawText(textRect.translated(0, -1), flags, m_text);
    painter.setPen(Qt::white);
    painter.drawText(textRect, flags, m_text);
}

bool BusyOverlay::event(QEvent* event)
{
    // While shown, the screen's shortcuts (Back) wait too.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void BusyOverlay::keyPressEvent(QKeyEvent* event)
{
    event->accept();
}

bool BusyOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        layoutIndicator();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace fetemark
