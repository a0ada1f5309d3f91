#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;

namespace fetemark {

// A question over the window, answered by one of its buttons: the choice sheet that
// slides up from the bottom (delete this?), or the alert in the middle (call this
// number?). It does not block: the answer comes to `answered` with the button's index,
// or -1 when the sheet was dismissed without one (Escape, or cancelled by the program).
//
// Each carries a tag, so one handler can tell the questions apart.
class ChoiceSheet : public QWidget {
    Q_OBJECT
public:
    enum class Style { Sheet, Alert };
    enum class Role { Normal, Destructive, Cancel };
    struct Button {
        QString text;
        Role role = Role::Normal;
    };
    using Answer = std::function<void(ChoiceSheet& sheet, int buttonIndex)>;

    // Shown over `window` (any widget; its top-level window is covered) at once.
    static ChoiceSheet* ask(QWidget* window, Style style, const QString& title,
        const QString& message, std::vector<Button> buttons, int tag, Answer answered);

    int tag() const { return m_tag; }
    QString title() const;
    QString message() const;
    int buttonCount() const { return int(m_buttons.size()); }
    QPushButton* button(int index) const { return m_buttons.at(std::size_t(index)); }
    // The first button of `role`, or -1.
    int indexOf(Role role) const;

    // Closes it as a button would; -1: without an answer.
    void answer(int buttonIndex);
    // Closes it without telling anyone (the question lost its meaning).
    void cancelSilently();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ChoiceSheet(QWidget* window, Style style, int tag, Answer answered);
    void build(const QString& title, const QString& message, const std::vector<Button>& buttons);
    void place();

    Style m_style;
    int m_tag;
    Answer m_answered;
    QWidget* m_panel = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_message = nullptr;
    std::vector<QPushButton*> m_buttons;
    std::vector<Role> m_roles;
    bool m_done = false;
};

} // namespace fetemark
