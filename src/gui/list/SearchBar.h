#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace fetemark {

class ApplicationTheme;

// The bar above the list: a search field and the filter button. There are two fields,
// one drawn for the coloured themes (over the theme's search bar picture) and one for the
// standard theme; the theme decides which one shows, and a theme change carries the text
// over to the other.
class SearchBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int Height = 44;

    explicit SearchBar(QWidget* parent = nullptr);

    // Shows the field that belongs to `theme`, carrying the text over from the other.
    void setTheme(const ApplicationTheme& theme, const QImage& filterUp, const QImage& filterDown);
    QString text() const;
    void setText(const QString& text);
    void setPlaceholder(const QString& placeholder);
    void setControlsEnabled(bool enabled);
    void focusField();
    void clearFocusOfFields();

    QLineEdit* searchText() const { return m_searchText; }
    QLineEdit* searchTextStandard() const { return m_searchTextStandard; }
    QLineEdit* activeField() const;
    QToolButton* filterButton() const { return m_filterButton; }
    QToolButton* clearTextButton() const { return m_clearTextButton; }

signals:
    void textEdited(const QString& text);
    void filterPressed();
    void clearPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* makeField(const QString& name);
    void updateClearButton();

    QLineEdit* m_searchText;
    QLineEdit* m_searchTextStandard;
    QToolButton* m_filterButton;
    QToolButton* m_clearTextButton;
    QImage m_background;
    bool m_standard = true;
};

} // namespace fetemark
