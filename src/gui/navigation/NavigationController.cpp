#include "NavigationController.h"

#include "gui/navigation/NavigationBar.h"
#include "gui/navigation/ViewController.h"

#include <QKeyEvent>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace fetemark {

NavigationController::NavigationController(ViewController* root, QWidget* parent)
    : QWidget(parent), m_bar(new NavigationBar(this)), m_content(new QWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_content, 1);
    setAutoFillBackground(true);
    connect(m_bar, &NavigationBar::backClicked, this, [this] {
        if (ViewController* top = topViewController())
            top->backPressed();
    });
    root->setParent(m_content);
    root->m_navigationController = this;
    m_stack.push_back(root);
    root->show();
    showTop();
}

NavigationController::~NavigationController()
{
    finishAnimation();
}

void NavigationController::setTheme(const ApplicationTheme* theme)
{
    m_theme = theme;
    m_bar->setTheme(theme);
    if (m_presented)
        m_presented->setTheme(theme);
}

ViewController* NavigationController::topViewController() const
{
    return m_stack.back();
}

bool NavigationController::isAnimating() const
{
    return m_animation && m_animation->state() == QAbstractAnimation::Running;
}

QRect NavigationController::contentRect() const
{
    return QRect(QPoint(0, 0), m_content->size());
}

void NavigationController::showTop()
{
    ViewController* top = topViewController();
    auto refreshBar = [this, top] {
        m_bar->setTitle(top->title());
        m_bar->setLeft(m_stack.size() > 1, top->leftBarAction());
        m_bar->setRightActions(top->rightBarActions());
    };
    disconnect(m_titleConnection);
    disconnect(m_actionsConnection);
    m_titleConnection =
        connect(top, &ViewController::titleChanged, m_bar, &NavigationBar::setTitle);
    m_actionsConnection = connect(top, &ViewController::barActionsChanged, m_bar, refreshBar);
    refreshBar();
    top->setGeometry(contentRect());
    emit topChanged(top);
}

void NavigationController::finishAnimation()
{
    if (isAnimating())
        m_animation->setCurrentTime(m_animation->duration());
}

void NavigationController::slide(
    QWidget* incoming, QWidget* outgoing, bool forward, bool animated, std::function<void()> done)
{
    finishAnimation();
    const int width = m_content->width();
    incoming->setGeometry(contentRect());
    incoming->show();
    incoming->raise();
    if (!animated || width <= 0) {
        if (outgoing)
            outgoing->hide();
        done();
        return;
    }
    // The new screen comes in from the right over the old one, which moves a third of
    // the way; going back, the same in reverse.
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(PushMilliseconds);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    QWidget* moving = forward ? incoming : outgoing;
    QWidget* behind = forward ? outgoing : incoming;
    if (!forward && outgoing)
        outgoing->raise();
    connect(animation, &QVariantAnimation::valueChanged, this, [=](const QVariant& value) {
        const qreal t = forward ? value.toReal() : 1.0 - value.toReal();
        if (moving)
            moving->move(int((1.0 - t) * width), 0);
        if (behind)
            behind->move(int(-t * width / 3.0), 0);
    });
    connect(animation, &QVariantAnimation::finished, this, [=] {
        incoming->move(0, 0);
        if (outgoing)
            outgoing->hide();
        done();
    });
    m_animation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void NavigationController::pushViewController(ViewController* controller, bool animated)
{
    ViewController* previous = topViewController();
    controller->setParent(m_content);
    controller->m_navigationController = this;
    previous->viewWillDisappear(animated);
    controller->viewWillAppear(animated);
    m_stack.push_back(controller);
    showTop();
    slide(controller, previous, true, animated,
        [controller, animated] { controller->viewDidAppear(animated); });
}

void NavigationController::popViewController(bool animated)
{
    if (m_stack.size() < 2)
        return;
    ViewController* leaving = m_stack.back();
    m_stack.pop_back();
    ViewController* top = topViewController();
    leaving->viewWillDisappear(animated);
    top->viewWillAppear(animated);
    showTop();
    slide(top, leaving, false, animated, [leaving, top, animated] {
        leaving->deleteLater();
        top->viewDidAppear(animated);
    });
}

void NavigationController::popToRootViewController(bool animated)
{
    if (m_stack.size() < 2)
        return;
    // The screens between go at once; only the top one slides away.
    while (m_stack.size() > 2) {
        ViewController* between = m_stack[m_stack.size() - 2];
        m_stack.erase(m_stack.end() - 2);
        between->hide();
        between->deleteLater();
    }
    popViewController(animated);
}

void NavigationController::presentViewController(ViewController* controller, bool animated)
{
    dismissModalViewController(false);
    auto* presented = new NavigationController(controller, this);
    presented->setTheme(m_theme);
    m_presented = presented;
    topViewController()->viewWillDisappear(animated);
    controller->viewWillAppear(animated);
    presented->setGeometry(rect());
    presented->show();
    presented->raise();
    if (!animated) {
        controller->viewDidAppear(false);
        emit topChanged(controller);
        return;
    }
    auto* animation = new QVariantAnimation(presented);
    animation->setDuration(PresentMilliseconds);
    animation->setStartValue(height());
    animation->setEndValue(0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation, &QVariantAnimation::valueChanged, presented,
        [presented](const QVariant& value) { presented->move(0, value.toInt()); });
    connect(animation, &QVariantAnimation::finished, this, [this, controller] {
        controller->viewDidAppear(true);
        emit topChanged(controller);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void NavigationController::dismissModalViewController(bool animated)
{
    if (!m_presented)
        return;
    NavigationController* presented = m_presented;
    m_presented = nullptr;
    presented->topViewController()->viewWillDisappear(animated);
    ViewController* top = topViewController();
    top->viewWillAppear(animated);
    auto finish = [this, presented, top, animated] {
        presented->hide();
        presented->deleteLater();
        top->viewDidAppear(animated);
        emit topChanged(top);
    };
    if (!animated) {
        finish();
        return;
    }
    auto* animation = new QVariantAnimation(presented);
    animation->setDuration(DismissMilliseconds);
    animation->setStartValue(0);
    animation->setEndValue(height());
    animation->setEasingCurve(QEasingCurve::InCubic);
    connect(animation, &QVariantAnimation::valueChanged, presented,
        [presented](const QVariant& value) { presented->move(0, value.toInt()); });
    connect(animation, &QVariantAnimation::finished, this, finish);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void NavigationController::themeChanged()
{
    m_bar->setTheme(m_theme);
    for (ViewController* controller : m_stack)
        controller->themeChanged();
    if (m_presented)
        m_presented->themeChanged();
}

void NavigationController::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The layout sizes the content area only once this returns.
    m_content->setGeometry(0, m_bar->height(), width(), height() - m_bar->height());
    if (!isAnimating())
        topViewController()->setGeometry(contentRect());
    if (m_presented)
        m_presented->setGeometry(rect());
}

void NavigationController::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Back) {
        if (m_presented)
            m_presented->topViewController()->backPressed();
        else if (m_stack.size() > 1)
            topViewController()->backPressed();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace fetemark
