#include "ChoiceSheet.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace fetemark {

ChoiceSheet::ChoiceSheet(QWidget* window, Style style, int tag, Answer answered)
    : QWidget(window->window()), m_style(style), m_tag(tag), m_answered(std::move(answered))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    parentWidget()->installEventFilter(this);
}

ChoiceSheet* ChoiceSheet::ask(QWidget* window, Style style, const QString& title,
    const QString& message, std::vector<Button> buttons, int tag, Answer answered)
{
    auto* sheet = new ChoiceSheet(window, style, tag, std::move(answered));
    sheet->build(title, message, buttons);
    sheet->place();
    sheet->show();
    sheet->raise();
    sheet->setFocus();
    return sheet;
}

void ChoiceSheet::build(
    const QString& title, const QString& message, const std::vector<Button>& buttons)
{
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("choicePanel"));
    m_panel->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    m_title = new QLabel(title, m_panel);
    m_title->setWordWrap(true);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setTextFormat(Qt::PlainText);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setVisible(!title.isEmpty());
    layout->addWidget(m_title);
    m_message = new QLabel(message, m_panel);
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setVisible(!message.isEmpty());
    layout->addWidget(m_message);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        auto* button = new QPushButton(buttons[i].text, m_panel);
        button->setMinimumHeight(40);
        button->setAccessibleName(buttons[i].text);
        if (buttons[i].role == Role::Destructive) {
            QPalette palette = button->palette();
            palette.setColor(QPalette::ButtonText, QColor(0xb0, 0x10, 0x10));
            button->setPalette(palette);
        }
        if (buttons[i].role == Role::Cancel)
            button->setDefault(true);
        connect(button, &QPushButton::clicked, this, [this, i] { answer(int(i)); });
        layout->addWidget(button);
        m_buttons.push_back(button);
        m_roles.push_back(buttons[i].role);
    }
    setAccessibleName(title.isEmpty() ? message : title);
}

QString ChoiceSheet::title() const
{
    return m_title->text();
}

QString ChoiceSheet::message() const
{
    return m_message->text();
}

int ChoiceSheet::indexOf(Role role) const
{
    for (std::size_t i = 0; i < m_roles.size(); ++i) {
        if (m_roles[i] == role)
            return int(i);
    }
    return -1;
}

void ChoiceSheet::place()
{
    QWidget* window = parentWidget();
    setGeometry(window->rect());
    const int width = std::min(window->width() - 24, 420);
    m_panel->setFixedWidth(width);
    m_panel->adjustSize();
    const int x = (window->width() - width) / 2;
    const int y = m_style == Style::Sheet ? window->height() - m_panel->height() - 12
                                          : (window->height() - m_panel->height()) / 2;
    m_panel->move(x, std::max(0, y));
}

void ChoiceSheet::answer(int buttonIndex)
{
    if (m_done)
        return;
    m_done = true;
    hide();
    if (m_answered)
        m_answered(*this, buttonIndex);
    close();
}

void ChoiceSheet::cancelSilently()
{
    m_answered = nullptr;
    answer(-1);
}

void ChoiceSheet::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        const int cancel = indexOf(Role::Cancel);
        answer(cancel);
        return;
    }
    QWidget::keyPressEvent(event);
}

void ChoiceSheet::paintEvent(QPaintEvent*)
{
    // The shade over the window behind the question.
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
}

bool ChoiceSheet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

} // namespace fetemark
