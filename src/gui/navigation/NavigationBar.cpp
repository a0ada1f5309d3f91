#include "NavigationBar.h"

#include "core/theme/ApplicationTheme.h"
#include "gui/widgets/TableCellBackgroundView.h"
#include "gui/widgets/ThemeIcons.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace fetemark {

NavigationBar::NavigationBar(QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_back(new QToolButton(this)),
      m_rightLayout(new QHBoxLayout)
{
    setFixedHeight(Height);
    setAccessibleName(tr("Title bar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    m_back->setAccessibleName(tr("Back"));
    m_back->setToolTip(tr("Back (Esc)"));
    m_back->setAutoRaise(true);
    m_back->setIconSize(QSize(30, 30));
    m_back->hide();
    connect(m_back, &QToolButton::clicked, this, &NavigationBar::backClicked);
    layout->addWidget(m_back);
    QFont font = m_title->font();
    font.setBold(true);
    font.setPixelSize(17);
    m_title->setFont(font);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setTextFormat(Qt::PlainText);
    layout->addWidget(m_title, 1);
    m_rightLayout->setSpacing(2);
    layout->addLayout(m_rightLayout);
}

void NavigationBar::setTheme(const ApplicationTheme* theme)
{
    m_theme = theme;
    applyColours();
    update();
}

void NavigationBar::setTitle(const QString& title)
{
    m_title->setText(title);
    m_title->setAccessibleName(title);
}

QString NavigationBar::title() const
{
    return m_title->text();
}

QToolButton* NavigationBar::makeButton(QAction* action)
{
    auto* button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setIconSize(QSize(30, 30));
    button->setToolButtonStyle(
        action->icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    button->setAccessibleName(action->text());
    return button;
}

void NavigationBar::setLeft(bool showBack, QAction* leftAction)
{
    delete m_left;
    m_left = nullptr;
    m_back->setVisible(showBack && !leftAction);
    if (leftAction) {
        m_left = makeButton(leftAction);
        static_cast<QHBoxLayout*>(layout())->insertWidget(0, m_left);
    }
    applyColours();
}

void NavigationBar::setRightActions(const QList<QAction*>& actions)
{
    qDeleteAll(m_rightButtons);
    m_rightButtons.clear();
    for (QAction* action : actions) {
        QToolButton* button = makeButton(action);
        m_rightLayout->addWidget(button);
        m_rightButtons << button;
    }
    applyColours();
}

void NavigationBar::applyColours()
{
    const bool themed = m_theme && !m_theme->isStandardTheme;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText,
        themed ? m_theme->colors.textColor : QPalette().color(QPalette::WindowText));
    palette.setColor(QPalette::ButtonText,
        themed ? m_theme->colors.textColor : QPalette().color(QPalette::ButtonText));
    m_title->setPalette(palette);
    for (QToolButton* button : m_rightButtons)
        button->setPalette(palette);
    if (m_left)
        m_left->setPalette(palette);
    if (m_theme)
        m_back->setIcon(
            ThemeIcons::icon(*m_theme, ThemeImage::menuBackUp, ThemeImage::menuBackDown));
}

void NavigationBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_theme || m_theme->isStandardTheme) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(rect().bottomLeft(), rect().bottomRight());
        return;
    }
    CellBackgroundStyle style;
    style.location = RowLocation::Single;
    style.fillColor = m_theme->colors.titleColor;
    style.borderColor = m_theme->colors.titleBorderColor;
    style.showGradient = m_theme->gradientTitle;
    style.gradientFactor = m_theme->gradientFactor;
    style.showStripes = m_theme->showStripes;
    style.stripeColor = m_theme->colors.titleStripeColor;
    const QRectF bar = QRectF(rect()).adjusted(3, 3, -3, -3);
    TableCellBackgroundView::paint(painter, bar, style);
    if (m_theme->showGloss) {
        // The gloss: a soft light over the upper half.
        QRectF upper = bar.adjusted(1, 1, -1, 0);
        upper.setHeight(bar.height() / 2);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(TableCellBackgroundView::outline(upper, RowLocation::Top, 9),
            QColor(255, 255, 255, 40));
    }
}

} // namespace fetemark
