#include "ViewController.h"

#include "gui/navigation/NavigationBar.h"
#include "gui/navigation/NavigationController.h"

#include <QAction>
#include <QPainter>

namespace fetemark {

ViewController::ViewController(QWidget* parent) : QWidget(parent) { }

void ViewController::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
}

void ViewController::setRightBarActions(const QList<QAction*>& actions)
{
    m_rightBarActions = actions;
    emit barActionsChanged();
}

void ViewController::setLeftBarAction(QAction* action)
{
    m_leftBarAction = action;
    emit barActionsChanged();
}

void ViewController::backPressed()
{
    if (!m_navigationController)
        return;
    // The root of a presented stack goes back by closing it.
    NavigationController* presenting = m_navigationController->presentingController();
    if (m_navigationController->depth() == 1 && presenting)
        presenting->dismissModalViewController(true);
    else
        m_navigationController->popViewController(true);
}

} // namespace fetemark

namespace fetemark {

QAction* ViewController::makeBarAction(
    ThemeImage up, ThemeImage down, const QString& text, const QString& toolTip)
{
    auto* action = new QAction(text, this);
    action->setToolTip(toolTip.isEmpty() ? text : toolTip);
    NavigationBar::setThemeImages(action, up, down);
    if (const ApplicationTheme* current = theme())
        NavigationBar::applyThemeImages(action, *current);
    return action;
}

void ViewController::setBackEnabled(bool enabled)
{
    if (enabled == m_backEnabled)
        return;
    m_backEnabled = enabled;
    emit barActionsChanged();
}

void ViewController::setBackgroundKind(BackgroundKind kind)
{
    m_backgroundKind = kind;
    update();
}

const ApplicationTheme* ViewController::theme() const
{
    return m_navigationController ? m_navigationController->theme() : nullptr;
}

QPixmap ViewController::coverPixmap(const QImage& image, qreal ratio)
{
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_coverSource == image.cacheKey() && m_cover.size() == pixels &&
        m_cover.devicePixelRatio() == ratio)
        return m_cover;
    const QImage scaled =
        image.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    // Centred: what is cut off is cut off evenly on both sides.
    const QRect visible(
        QPoint((scaled.width() - pixels.width()) / 2, (scaled.height() - pixels.height()) / 2),
        pixels);
    m_cover = QPixmap::fromImage(scaled.copy(visible));
    m_cover.setDevicePixelRatio(ratio);
    m_coverSource = image.cacheKey();
    return m_cover;
}

void ViewController::paintEvent(QPaintEvent*)
{
    const ApplicationTheme* current = theme();
    if (m_backgroundKind == BackgroundKind::None || !current)
        return;
    QPainter painter(this);
    const QImage& image = m_backgroundKind == BackgroundKind::Main
        ? current->backgroundImage
        : current->settingsBackgroundImage;
    // Theme 9999 keeps the pictures of the theme before it; it shows none.
    const bool plain = current->isStandardTheme ||
        current->currentTheme() == ApplicationTheme::NoBackgroundTheme || image.isNull();
    if (plain)
        painter.fillRect(rect(), palette().color(QPalette::Window));
    else
        painter.drawPixmap(0, 0, coverPixmap(image, painter.device()->devicePixelRatioF()));
}

} // namespace fetemark
