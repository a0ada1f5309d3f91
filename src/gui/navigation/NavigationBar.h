#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QLabel;
class QHBoxLayout;
class QToolButton;

namespace fetemark {

class ApplicationTheme;

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

signals:
    void backClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QToolButton* makeButton(QAction* action);
    void applyColours();

    const ApplicationTheme* m_theme = nullptr;
    QLabel* m_title;
    QToolButton* m_back;
    QToolButton* m_left = nullptr;
    QHBoxLayout* m_rightLayout;
    QList<QToolButton*> m_rightButtons;
};

} // namespace fetemark
