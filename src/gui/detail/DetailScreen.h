#pragma once

#include "gui/navigation/ViewController.h"

#include <vector>

class QLabel;
class QPainter;
class QScrollArea;

namespace fetemark {

class ApplicationSession;
class ApplicationTheme;
class DetailRow;

// A screen of blocks of rows over the theme's background, scrolling when taller than
// the window: the occasion's page and its settings screens.
class DetailScreen : public ViewController {
    Q_OBJECT
public:
    static constexpr int Margin = 10;
    static constexpr int SectionSpacing = 12;

    struct Section {
        std::vector<DetailRow*> rows;
        QString header;
        QWidget* headerWidget = nullptr; // drawn instead of `header`, owned by the screen
        QString footer;
        bool upcomingBorder = false; // the first block of the occasion's page
    };

    explicit DetailScreen(ApplicationSession& session, QWidget* parent = nullptr);

    QScrollArea* scrollArea() const { return m_scroll; }
    // Replaces every block (the old rows are deleted); hidden rows take no place.
    void setSections(std::vector<Section> sections);
    const std::vector<Section>& sections() const { return m_sections; }
    void themeChanged() override;

protected:
    const ApplicationTheme& theme() const;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    ApplicationSession& m_session;

private:
    void restyle();
    void fitContent();
    void paintBackground(QPainter& painter, const QPoint& offset) const;
    QLabel* note(const QString& text, QWidget* parent) const;

    QScrollArea* m_scroll;
    std::vector<Section> m_sections;
    std::vector<QLabel*> m_notes;
};

} // namespace fetemark
