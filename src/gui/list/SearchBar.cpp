#include "SearchBar.h"

#include "core/theme/ApplicationTheme.h"

#include <QIcon>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace fetemark {
namespace {

QPixmap artwork(const QImage& image)
{
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

} // namespace

SearchBar::SearchBar(QWidget* parent)
    : QWidget(parent), m_searchText(makeField(QStringLiteral("Search"))),
      m_searchTextStandard(makeField(QStringLiteral("Search"))),
      m_filterButton(new QToolButton(this)), m_clearTextButton(new QToolButton(this))
{
    setFixedHeight(Height);
    m_filterButton->setAccessibleName(tr("Filter"));
    m_filterButton->setAutoRaise(true);
    m_filterButton->setIconSize(QSize(32, 32));
    m_filterButton->setFocusPolicy(Qt::TabFocus);
    connect(m_filterButton, &QToolButton::clicked, this, &SearchBar::filterPressed);
    m_clearTextButton->setText(QStringLiteral("✕"));
    m_clearTextButton->setAccessibleName(tr("Clear search"));
    m_clearTextButton->setAutoRaise(true);
    m_clearTextButton->setFocusPolicy(Qt::TabFocus);
    m_clearTextButton->hide();
    connect(m_clearTextButton, &QToolButton::clicked, this, &SearchBar::clearPressed);
    m_searchText->hide();
}

QLineEdit* SearchBar::makeField(const QString& name)
{
    auto* field = new QLineEdit(this);
    field->setAccessibleName(name);
    field->setClearButtonEnabled(true);
    connect(field, &QLineEdit::textChanged, this, [this, field](const QString& text) {
        if (field != activeField())
            return;
        updateClearButton();
        emit textEdited(text);
    });
    return field;
}

QLineEdit* SearchBar::activeField() const
{
    return m_standard ? m_searchTextStandard : m_searchText;
}

void SearchBar::setTheme(
    const ApplicationTheme& theme, const QImage& filterUp, const QImage& filterDown)
{
    QLineEdit* before = activeField();
    m_standard = theme.isStandardTheme;
    m_background = theme.backgroundSearchBarImage;
    QLineEdit* now = activeField();
    if (now != before) {
        const QSignalBlocker block(now);
        now->setText(before->text());
        now->setPlaceholderText(before->placeholderText());
        before->hide();
        now->show();
        if (before->hasFocus())
            now->setFocus();
    }
    QIcon icon;
    icon.addPixmap(artwork(filterUp), QIcon::Normal, QIcon::Off);
    icon.addPixmap(artwork(filterDown), QIcon::Active, QIcon::Off);
    m_filterButton->setIcon(icon);
    updateClearButton();
    update();
}

QString SearchBar::text() const
{
    return activeField()->text();
}

void SearchBar::setText(const QString& text)
{
    for (QLineEdit* field : {m_searchText, m_searchTextStandard}) {
        const QSignalBlocker block(field);
        field->setText(text);
    }
    updateClearButton();
}

void SearchBar::setPlaceholder(const QString& placeholder)
{
    m_searchText->setPlaceholderText(placeholder);
    m_searchTextStandard->setPlaceholderText(m_searchText->placeholderText());
}

void SearchBar::setControlsEnabled(bool enabled)
{
    for (QWidget* w :
        {static_cast<QWidget*>(m_searchText), static_cast<QWidget*>(m_searchTextStandard),
            static_cast<QWidget*>(m_filterButton), static_cast<QWidget*>(m_clearTextButton)})
        w->setEnabled(enabled);
}

void SearchBar::focusField()
{
    activeField()->setFocus(Qt::ShortcutFocusReason);
    activeField()->selectAll();
}

void SearchBar::clearFocusOfFields()
{
    m_searchText->clearFocus();
    m_searchTextStandard->clearFocus();
}

void SearchBar::updateClearButton()
{
    m_clearTextButton->setVisible(!activeField()->text().isEmpty());
    resizeEvent(nullptr);
}

void SearchBar::resizeEvent(QResizeEvent*)
{
    const int button = 36;
    const int clear = m_clearTextButton->isVisible() ? 28 : 0;
    const QRect field(8, 7, width() - 16 - button - clear - 4, Height - 14);
    m_searchText->setGeometry(field);
    m_searchTextStandard->setGeometry(field);
    m_clearTextButton->setGeometry(field.right() + 2, 8, 26, Height - 16);
    m_filterButton->setGeometry(width() - button - 6, (Height - button) / 2, button, button);
}

void SearchBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_standard && !m_background.isNull()) {
        p.drawImage(rect(), m_background);
        return;
    }
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0xd6, 0xdb, 0xe1));
    gradient.setColorAt(1, QColor(0xa7, 0xb0, 0xbb));
    p.fillRect(rect(), gradient);
    p.setPen(QColor(0x8a, 0x94, 0xa0));
    p.drawLine(0, height() - 1, width(), height() - 1);
}

} // namespace fetemark
