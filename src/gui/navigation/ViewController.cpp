#include "ViewController.h"

#include "gui/navigation/NavigationController.h"

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
    if (m_navigationController)
        m_navigationController->popViewController(true);
}

} // namespace fetemark
