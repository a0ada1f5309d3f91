#include "NavigationController.h"

#include "gui/navigation/NavigationBar.h"
#include "gui/navigation/ViewController.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace fetemark {
namespace {

// Backspace belongs to a field that takes typing.
bool isTextField(const QWidget* widget)
{
    if (!widget)
        return false;
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
        qobject_cast<const QPlainTextEdit*>(widget) ||
        qobject_cast<const QAbstractSpinBox*>(widget);
}

} // namespace

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
        if (ViewController* top = topViewController(); top->isBackEnabled())
            top->backPressed();
    });
    root->setParent(m_content);
    root->m_navigationController = this;
    m_stack.push_back(root);
    root->show();
    showTop();
    if (!presentingController())
        installBackShortcuts();
}

NavigationController::~NavigationController()
{
    finishAnimation();
}

void NavigationController::installBackShortcuts()
{
    for (const QKeySequence& keys :
        {QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Left)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (!isTextField(QApplication::focusWidget()))
                goBack();
        });
    }
}

NavigationController* NavigationController::presentingController() const
{
    return qobject_cast<NavigationController*>(parentWidget());
}

void NavigationController::goBack()
{
    NavigationController* front = this;
    while (front->m_presented)
        front = front->m_presented;
    if (front->isAnimating())
        front->finishAnimation();
    ViewController* top = front->topViewController();
    if ((front->depth() > 1 || front->presentingController()) && top->isBackEnabled())
        top->backPressed();
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
    return (m_animation && m_animation->state() == QAbstractAnimation::Running) ||
        (m_presented && m_presented->isAnimating());
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
        m_bar->backButton()->setEnabled(top->isBackEnabled());
        m_bar->setRightActions(top->rightBarActions());
    };
    disconnect(m_titleConnection);
    disconnect(m_actionsConnection);
    m_titleConnection =
        connect(top, &ViewController::titleChanged, m_bar, &NavigationBar::setTitle);
    m_actionsConnection = connect(top, &ViewController::barActionsChanged, m_bar, refreshBar);
    refreshBar();
    emit topChanged(top);
}

// The new top screen takes the keyboard, so arrows and typing reach it at once.
void NavigationController::focusTop()
{
    if (m_presented)
        m_presented->focusTop();
    else if (isVisible())
        topViewController()->setFocus(Qt::OtherFocusReason);
}

void NavigationController::finishAnimation()
{
    if (m_presented)
        m_presented->finishAnimation();
    if (m_animation && m_animation->state() == QAbstractAnimation::Running)
        m_animation->setCurrentTime(m_animation->duration());
}

QVariantAnimation* NavigationController::startAnimation(QObject* owner, int milliseconds,
    QVariant from, QVariant to, QEasingCurve curve, std::function<void(const QVariant&)> step)
{
    auto* animation = new QVariantAnimation(owner);
    animation->setDuration(milliseconds);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setEasingCurve(curve);
    connect(animation, &QVariantAnimation::valueChanged, owner, std::move(step));
    m_animation = animation;
    return animation;
}

void NavigationController::slide(
    QWidget* incoming, QWidget* outgoing, bool forward, bool animated, std::function<void()> done)
{
    const int width = m_content->width();
    animated = animated && width > 0 && isVisible();
    // The new screen comes in from the right over the old one, which moves a third of
    // the way; going back, the same in reverse. Both start where the first frame shows
    // them, so no frame shows a screen in the wrong place.
    QWidget* moving = forward ? incoming : outgoing;
    QWidget* behind = forward ? outgoing : incoming;
    const auto place = [=](qreal t) {
        if (moving)
            moving->move(int((1.0 - t) * width), 0);
        if (behind)
            behind->move(int(-t * width / 3.0), 0);
    };
    incoming->resize(contentRect().size());
    if (animated)
        place(forward ? 0.0 : 1.0);
    else
        incoming->move(0, 0);
    incoming->show();
    if (forward || !outgoing)
        incoming->raise();
    else
        outgoing->raise();
    const auto finish = [=, this] {
        incoming->move(0, 0);
        if (outgoing)
            outgoing->hide();
        done();
        focusTop();
    };
    if (!animated) {
        finish();
        return;
    }
    QVariantAnimation* animation =
        startAnimation(this, PushMilliseconds, 0.0, 1.0, QEasingCurve::OutCubic,
            [=](const QVariant& value) { place(forward ? value.toReal() : 1.0 - value.toReal()); });
    connect(animation, &QVariantAnimation::finished, this, finish);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void NavigationController::pushViewController(ViewController* controller, bool animated)
{
    finishAnimation();
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
    finishAnimation();
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
    finishAnimation();
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
    finishAnimation();
    dismissModalViewController(false);
    animated = animated && isVisible() && height() > 0;
    auto* presented = new NavigationController(controller, this);
    presented->setTheme(m_theme);
    m_presented = presented;
    topViewController()->viewWillDisappear(animated);
    controller->viewWillAppear(animated);
    presented->setGeometry(rect().translated(0, animated ? height() : 0));
    presented->show();
    presented->raise();
    const auto finish = [this, controller, animated] {
        controller->viewDidAppear(animated);
        emit topChanged(controller);
        focusTop();
    };
    if (!animated) {
        finish();
        return;
    }
    QVariantAnimation* animation =
        startAnimation(presented, PresentMilliseconds, height(), 0, QEasingCurve::OutCubic,
            [presented](const QVariant& value) { presented->move(0, value.toInt()); });
    connect(animation, &QVariantAnimation::finished, this, finish);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void NavigationController::dismissModalViewController(bool animated)
{
    finishAnimation();
    if (!m_presented)
        return;
    NavigationController* presented = m_presented;
    m_presented = nullptr;
    animated = animated && isVisible();
    presented->topViewController()->viewWillDisappear(animated);
    ViewController* top = topViewController();
    top->viewWillAppear(animated);
    auto finish = [this, presented, top, animated] {
        presented->hide();
        presented->deleteLater();
        top->viewDidAppear(animated);
        emit topChanged(top);
        focusTop();
    };
    if (!animated) {
        finish();
        return;
    }
    QVariantAnimation* animation =
        startAnimation(presented, DismissMilliseconds, 0, height(), QEasingCurve::InCubic,
            [presented](const QVariant& value) { presented->move(0, value.toInt()); });
    connect(animation, &QVariantAnimation::finished, this, finish);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void NavigationController::themeChanged()
{
    m_bar->setTheme(m_theme);
    for (ViewController* controller : m_stack) {
        controller->themeChanged();
        controller->update();
    }
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
    else
        topViewController()->resize(contentRect().size());
    if (m_presented && !m_presented->isAnimating())
        m_presented->setGeometry(rect());
}

void NavigationController::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Back) {
        goBack();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace fetemark
