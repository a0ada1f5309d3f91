#include "DetailScreen.h"

#include "DetailRow.h"

#include "app/ApplicationSession.h"
#include "core/theme/ApplicationTheme.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace fetemark {

DetailScreen::DetailScreen(ApplicationSession& session, QWidget* parent)
    : ViewController(parent), m_session(session), m_scroll(new QScrollArea(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Sized here rather than by the scroll area, which measures wrapped text at the
    // wrong width and then shows a scroll bar the rows do not need.
    m_scroll->setWidgetResizable(false);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->installEventFilter(this);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
}

const ApplicationTheme& DetailScreen::theme() const
{
    return m_session.app().sharedTheme();
}

QLabel* DetailScreen::note(const QString& text, QWidget* parent) const
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setContentsMargins(Margin, 0, Margin, 0);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

void DetailScreen::setSections(std::vector<Section> sections)
{
    m_sections = std::move(sections);
    m_notes.clear();
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(Margin, Margin, Margin, 15);
    layout->setSpacing(0);
    for (std::size_t s = 0; s < m_sections.size(); ++s) {
        const Section& section = m_sections[s];
        if (s > 0)
            layout->addSpacing(SectionSpacing);
        if (section.headerWidget) {
            layout->addWidget(section.headerWidget);
            layout->addSpacing(4);
        } else if (!section.header.isEmpty()) {
            m_notes.push_back(note(section.header, content));
            layout->addWidget(m_notes.back());
            layout->addSpacing(4);
        }
        for (DetailRow* row : section.rows)
            layout->addWidget(row);
        if (!section.footer.isEmpty()) {
            layout->addSpacing(4);
            m_notes.push_back(note(section.footer, content));
            layout->addWidget(m_notes.back());
        }
    }
    layout->addStretch(1);
    const int scrolled = m_scroll->verticalScrollBar()->value();
    delete m_scroll->takeWidget();
    m_scroll->setWidget(content);
    content->setAutoFillBackground(false);
    restyle();
    fitContent();
    m_scroll->verticalScrollBar()->setValue(scrolled);
}

bool DetailScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Paint) {
        QPainter painter(m_scroll->viewport());
        paintBackground(painter, m_scroll->viewport()->mapTo(this, QPoint(0, 0)));
    }
    return ViewController::eventFilter(watched, event);
}

// The page as wide as the scroll area leaves it, the scroll bar only when it is taller.
// Decided here: the scroll area measures a page that is not shown yet at the wrong width.
void DetailScreen::fitContent()
{
    QWidget* content = m_scroll->widget();
    if (!content)
        return;
    const QSize full = m_scroll->contentsRect().size();
    int width = full.width();
    int height = content->layout()->totalHeightForWidth(width);
    const bool scrolls = height > full.height();
    if (scrolls) {
        width -= m_scroll->verticalScrollBar()->sizeHint().width();
        height = content->layout()->totalHeightForWidth(width);
    }
    m_scroll->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    content->resize(width, height);
}

void DetailScreen::resizeEvent(QResizeEvent* event)
{
    ViewController::resizeEvent(event);
    fitContent();
}

void DetailScreen::themeChanged()
{
    restyle();
    update();
}

// Row places within each block, fills alternating over every row of the screen, the
// first block of the occasion's page bordered like the list's upcoming rows.
void DetailScreen::restyle()
{
    const ApplicationTheme& theme = this->theme();
    int flat = 0;
    for (const Section& section : m_sections) {
        std::vector<DetailRow*> shown;
        for (DetailRow* row : section.rows) {
            if (!row->isHidden())
                shown.push_back(row);
        }
        for (std::size_t i = 0; i < shown.size(); ++i, ++flat) {
            CellBackgroundStyle style;
            style.location = shown.size() == 1 ? RowLocation::Single
                : i == 0                       ? RowLocation::Top
                : i + 1 == shown.size()        ? RowLocation::Bottom
                                               : RowLocation::Middle;
            style.fillColor = flat % 2 ? theme.colors.rowColor1 : theme.colors.rowColor2;
            style.borderColor = section.upcomingBorder ? theme.colors.upcomingBorderColor
                                                       : theme.colors.borderColor;
            style.separatorColor = theme.colors.separatorColor;
            style.gradientFactor = theme.gradientFactor;
            style.showStripes = theme.showStripes;
            shown[i]->setBackgroundStyle(style);
            shown[i]->applyTheme(theme);
        }
    }
    for (QLabel* label : m_notes)
        DetailRow::colourLabel(label, theme);
}

void DetailScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintBackground(painter, QPoint(0, 0));
}

// The background as the whole screen shows it, drawn by a part of it at `offset`.
void DetailScreen::paintBackground(QPainter& painter, const QPoint& offset) const
{
    painter.translate(-offset);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QImage& background = theme().backgroundImage;
    if (background.isNull())
        return;
    // Cover the screen, cropping what sticks out, as the list does.
    const QSizeF size =
        QSizeF(background.size()).scaled(QSizeF(this->size()), Qt::KeepAspectRatioByExpanding);
    const QRectF target(
        QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, background);
}

} // namespace fetemark
