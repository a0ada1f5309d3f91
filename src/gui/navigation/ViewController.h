#pragma once

#include "core/theme/ApplicationTheme.h"

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAction;

namespace fetemark {

class NavigationController;

// The picture a screen shows behind its content: none (the content draws everything),
// the theme's background of the main list, or that of the settings screens.
enum class BackgroundKind {
    None,
    Main,
    Settings,
};

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

    // A bar button drawn with the theme's images `up` and `down`, drawn anew when the
    // theme changes; `text` names it for screen readers and shows when an image is
    // missing. The action belongs to this screen.
    QAction* makeBarAction(
        ThemeImage up, ThemeImage down, const QString& text, const QString& toolTip = QString());

    // While long work runs a screen may keep the user from leaving it: the bar's Back
    // and the keys that go back do nothing until it is enabled again.
    bool isBackEnabled() const { return m_backEnabled; }
    void setBackEnabled(bool enabled);

    BackgroundKind backgroundKind() const { return m_backgroundKind; }
    void setBackgroundKind(BackgroundKind kind);

    NavigationController* navigationController() const { return m_navigationController; }
    // The theme of the stack that shows this screen; none before it is shown.
    const ApplicationTheme* theme() const;

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class NavigationController;

    // The theme's picture scaled to cover the screen at `ratio` device pixels per
    // point (that of what is painted on, which may not be a screen), kept until one of
    // them changes.
    QPixmap coverPixmap(const QImage& image, qreal ratio);

    QString m_title;
    QList<QAction*> m_rightBarActions;
    QPointer<QAction> m_leftBarAction;
    NavigationController* m_navigationController = nullptr; // owns this screen
    BackgroundKind m_backgroundKind = BackgroundKind::None;
    bool m_backEnabled = true;
    QPixmap m_cover;
    qint64 m_coverSource = 0;
};

} // namespace fetemark
