#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAction;

namespace fetemark {

class NavigationController;

// One screen of the window: its content, the title its bar shows and the buttons at the
// bar's right. A NavigationController shows it, pushed over the screen before it or
// presented from below, and tells it when it appears and goes.
class ViewController : public QWidget {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    // Shown at the bar's right, in order; the bar draws each with its icon (or text).
    QList<QAction*> rightBarActions() const { return m_rightBarActions; }
    void setRightBarActions(const QList<QAction*>& actions);
    // The action of the bar's left button; none: the stack's Back for pushed screens.
    QAction* leftBarAction() const { return m_leftBarAction; }
    void setLeftBarAction(QAction* action);

    NavigationController* navigationController() const { return m_navigationController; }

    // Told by the navigation controller; animations are already decided.
    virtual void viewWillAppear(bool animated) { Q_UNUSED(animated) }
    virtual void viewDidAppear(bool animated) { Q_UNUSED(animated) }
    virtual void viewWillDisappear(bool animated) { Q_UNUSED(animated) }
    // The bar's Back (and Escape): by default the screen is popped.
    virtual void backPressed();
    // The theme changed: bars, backgrounds and rows are to be drawn again.
    virtual void themeChanged() { }

signals:
    void titleChanged(const QString& title);
    void barActionsChanged();

private:
    friend class NavigationController;

    QString m_title;
    QList<QAction*> m_rightBarActions;
    QPointer<QAction> m_leftBarAction;
    NavigationController* m_navigationController = nullptr; // owns this screen
};

} // namespace fetemark
