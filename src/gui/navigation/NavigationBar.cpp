#include "NavigationBar.h"

#include "gui/widgets/TableCellBackgroundView.h"
#include "gui/widgets/ThemeIcons.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace fetemark {
namespace {

const char* const UpProperty = "fetemarkImageUp";
const char* const DownProperty = "fetemarkImageDown";
constexpr qreal DisabledOpacity = 0.35;
constexpr QSize IconSize(30, 30);

// The bar's title: one line, elided, with a shadow one pixel below it on drawn bars.
class TitleLabel : public QLabel {
public:
    using QLabel::QLabel;
    QColor shadow; // none: no shadow

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(font());
        QRect box = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, box.width());
        // Centred on the whole bar when it has room there, whatever the buttons beside.
        const int half = fontMetrics().horizontalAdvance(shown) / 2 + 1;
        const int barCentre = mapFromParent(QPoint(parentWidget()->width() / 2, 0)).x();
        if (barCentre - half >= box.left() && barCentre + half <= box.right())
            box = QRect(barCentre - half, box.top(), 2 * half, box.height());
        if (shadow.isValid()) {
            painter.setPen(shadow);
            painter.drawText(box.translated(0, 1), int(alignment()), shown);
        }
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(box, int(alignment()), shown);
    }
};

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QPixmap faded(const QPixmap& pixmap)
{
    QPixmap result(pixmap.size());
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setOpacity(DisabledOpacity);
    painter.drawPixmap(0, 0, pixmap);
    return result;
}

// The button icon for `up` and `down`, with a faded picture for a disabled button.
QIcon barIcon(const ApplicationTheme& theme, ThemeImage up, ThemeImage down)
{
    QPixmap upPixmap;
    QPixmap downPixmap;
    if (theme.isStandardTheme && isDark(QApplication::palette())) {
        const int number = ApplicationTheme::StandardTheme;
        upPixmap = ThemeIcons::resourcePixmap(ApplicationTheme::imageName(up, number, false));
        downPixmap = ThemeIcons::resourcePixmap(ApplicationTheme::imageName(down, number, false));
    } else {
        upPixmap = ThemeIcons::pixmap(theme, up);
        downPixmap = ThemeIcons::pixmap(theme, down);
    }
    if (upPixmap.isNull())
        return {};
    QIcon icon;
    icon.addPixmap(upPixmap, QIcon::Normal, QIcon::Off);
    icon.addPixmap(downPixmap.isNull() ? upPixmap : downPixmap, QIcon::Active, QIcon::Off);
    icon.addPixmap(downPixmap.isNull() ? upPixmap : downPixmap, QIcon::Normal, QIcon::On);
    icon.addPixmap(faded(upPixmap), QIcon::Disabled, QIcon::Off);
    return icon;
}

} // namespace

NavigationBar::NavigationBar(QWidget* parent)
    : QWidget(parent), m_title(new TitleLabel(this)), m_back(new QToolButton(this)),
      m_rightLayout(new QHBoxLayout)
{
    setFixedHeight(Height);
    setAccessibleName(tr("Title bar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    m_back->setAccessibleName(tr("Back"));
    m_back->setToolTip(tr("Back (Backspace)"));
    m_back->setText(tr("Back"));
    m_back->setAutoRaise(true);
    m_back->setIconSize(IconSize);
    m_back->hide();
    connect(m_back, &QToolButton::clicked, this, &NavigationBar::backClicked);
    layout->addWidget(m_back);
    QFont font = m_title->font();
    font.setBold(true);
    font.setPixelSize(17);
    m_title->setFont(font);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setMinimumWidth(0);
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_title, 1);
    m_rightLayout->setSpacing(2);
    layout->addLayout(m_rightLayout);
}

void NavigationBar::setThemeImages(QAction* action, ThemeImage up, ThemeImage down)
{
    if (!action)
        return;
    action->setProperty(UpProperty, int(up));
    action->setProperty(DownProperty, int(down));
}

void NavigationBar::applyThemeImages(QAction* action, const ApplicationTheme& theme)
{
    const QVariant up = action->property(UpProperty);
    const QVariant down = action->property(DownProperty);
    if (up.isValid() && down.isValid())
        action->setIcon(barIcon(theme, ThemeImage(up.toInt()), ThemeImage(down.toInt())));
}

bool NavigationBar::isStandard() const
{
    return !m_theme || m_theme->isStandardTheme;
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
    button->setIconSize(IconSize);
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
        m_left->show();
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
        // Shown now, not on the layout's next pass, so no frame shows the bar without it.
        button->show();
        m_rightButtons << button;
    }
    applyColours();
}

void NavigationBar::applyButtonLook(QToolButton* button, const QPalette& palette)
{
    button->setPalette(palette);
    // On a drawn bar the artwork is the button: no panel of the desktop's style behind
    // it, only a ring when the keyboard is on it.
    button->setStyleSheet(isStandard()
            ? QString()
            : QStringLiteral(
                  "QToolButton { border: 1px solid transparent; background: transparent; }"
                  "QToolButton:focus { border: 1px solid %1; border-radius: 5px; }")
                  .arg(m_theme->colors.textColor.name()));
    if (QAction* action = button->defaultAction(); action && m_theme)
        applyThemeImages(action, *m_theme);
    const bool hasIcon = !button->icon().isNull();
    button->setToolButtonStyle(hasIcon ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    if (!button->accessibleName().isEmpty() && button->toolTip().isEmpty())
        button->setToolTip(button->accessibleName());
}

void NavigationBar::applyColours()
{
    // The standard bar takes the desktop's palette as it is and as it changes.
    QPalette palette;
    palette.setResolveMask(0);
    if (!isStandard()) {
        const QColor text = m_theme->colors.textColor;
        QColor dimmed = text;
        dimmed.setAlphaF(float(DisabledOpacity));
        palette = QApplication::palette();
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText}) {
            palette.setColor(QPalette::Active, role, text);
            palette.setColor(QPalette::Inactive, role, text);
            palette.setColor(QPalette::Disabled, role, dimmed);
        }
    }
    m_title->setPalette(palette);
    static_cast<TitleLabel*>(m_title)->shadow =
        isStandard() ? QColor() : m_theme->colors.shadowColor;
    m_title->update();
    if (m_theme)
        m_back->setIcon(barIcon(*m_theme, ThemeImage::menuBackUp, ThemeImage::menuBackDown));
    applyButtonLook(m_back, palette);
    for (QToolButton* button : m_rightButtons)
        applyButtonLook(button, palette);
    if (m_left)
        applyButtonLook(m_left, palette);
}

void NavigationBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A desktop switching between light and dark: the standard bar's icons follow.
    if (event->type() == QEvent::PaletteChange && isStandard())
        applyColours();
}

void NavigationBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (isStandard()) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(rect().bottomLeft(), rect().bottomRight());
        return;
    }
    paintThemedBar(painter);
}

void NavigationBar::paintThemedBar(QPainter& painter)
{
    CellBackgroundStyle style;
    style.location = RowLocation::Single;
    style.fillColor = m_theme->colors.titleColor;
    // The drawn bar has no border: its gradient and gloss give it its edge.
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
