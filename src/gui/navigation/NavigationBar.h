#pragma once

#include <QList>
#include <QWidget>

#include "core/theme/ApplicationTheme.h"

class QAction;
class QLabel;
class QHBoxLayout;
class QToolButton;

namespace fetemark {

// The bar over every screen: the screen's title, a Back button when there is a screen to
// go back to, and the screen's own buttons. Under the standard theme it is the platform's
// plain bar in the desktop's palette; under the others it is drawn in the theme's title
// colours, with its gradient and gloss.
class NavigationBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int Height = 44;

    explicit NavigationBar(QWidget* parent = nullptr);

    void setTheme(const ApplicationTheme* theme);
    void setTitle(const QString& title);
    QString title() const;
    // The left button: Back (with `backTitle`), or `leftAction`, or none.
    void setLeft(bool showBack, QAction* leftAction);
    void setRightActions(const QList<QAction*>& actions);

    QToolButton* backButton() const { return m_back; }
    // The buttons of the right actions, in order.
    QList<QToolButton*> rightButtons() const { return m_rightButtons; }
    // True while the bar is the desktop's plain bar (the standard theme).
    bool isStandard() const;

    // Marks `action` as drawn with the theme's images `up` and `down`.
    static void setThemeImages(QAction* action, ThemeImage up, ThemeImage down);
    // Gives a marked action its icon for `theme`; the text shows when an image is missing.
    // On a dark desktop palette the standard theme takes the light images.
    static void applyThemeImages(QAction* action, const ApplicationTheme& theme);

signals:
    void backClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QToolButton* makeButton(QAction* action);
    void applyColours();
    void applyButtonLook(QToolButton* button, const QPalette& palette);
    void paintThemedBar(QPainter& painter);

    const ApplicationTheme* m_theme = nullptr;
    QLabel* m_title;
    QToolButton* m_back;
    QToolButton* m_left = nullptr;
    QHBoxLayout* m_rightLayout;
    QList<QToolButton*> m_rightButtons;
};

} // namespace fetemark
