#pragma once

#include <QEasingCurve>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <vector>

class QVariantAnimation;

namespace fetemark {

class ApplicationTheme;
class NavigationBar;
class ViewController;

// A stack of screens under one bar: the root screen, and screens pushed over it that
// slide in from the right and go back to the right. A screen can also be presented from
// below in a stack of its own (modally), over everything, until it is dismissed.
//
// The controller owns the screens it shows; a popped screen is deleted once it is gone.
class NavigationController : public QWidget {
    Q_OBJECT
public:
    static constexpr int PushMilliseconds = 300;
    static constexpr int PresentMilliseconds = 250;
    static constexpr int DismissMilliseconds = 500;

    explicit NavigationController(ViewController* root, QWidget* parent = nullptr);
    ~NavigationController() override;

    void setTheme(const ApplicationTheme* theme);
    const ApplicationTheme* theme() const { return m_theme; }

    void pushViewController(ViewController* controller, bool animated);
    void popViewController(bool animated);
    void popToRootViewController(bool animated);
    // `controller` in a stack of its own, sliding up over this one.
    void presentViewController(ViewController* controller, bool animated);
    void dismissModalViewController(bool animated);
    NavigationController* presentedController() const { return m_presented; }
    // The stack this one is presented over; none for the window's own stack.
    NavigationController* presentingController() const;

    ViewController* topViewController() const;
    ViewController* rootViewController() const { return m_stack.front(); }
    int depth() const { return int(m_stack.size()); }
    NavigationBar* navigationBar() const { return m_bar; }
    // True while a slide runs.
    bool isAnimating() const;

    // Every screen of the stack (and of a presented one) draws the theme anew.
    void themeChanged();
    // What Back does from the keyboard (Backspace, Alt+Left, Escape): the top screen of
    // the front-most stack goes back, when there is somewhere to go back to.
    void goBack();

signals:
    // The top screen changed (after a push, a pop, a dismissal).
    void topChanged(ViewController* top);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void installBackShortcuts();
    void focusTop();
    void showTop();
    void slide(QWidget* incoming, QWidget* outgoing, bool forward, bool animated,
        std::function<void()> done);
    QRect contentRect() const;
    void finishAnimation();
    QVariantAnimation* startAnimation(QObject* owner, int milliseconds, QVariant from, QVariant to,
        QEasingCurve curve, std::function<void(const QVariant&)> step);

    NavigationBar* m_bar;
    QWidget* m_content;
    std::vector<ViewController*> m_stack;
    const ApplicationTheme* m_theme = nullptr;
    QPointer<NavigationController> m_presented;
    QPointer<QVariantAnimation> m_animation;
    QMetaObject::Connection m_titleConnection;
    QMetaObject::Connection m_actionsConnection;
};

} // namespace fetemark
