#pragma once

#include "gui/widgets/TableCellBackgroundView.h"

#include <QPixmap>
#include <QWidget>

class QLabel;
class QHBoxLayout;

namespace fetemark {

class ApplicationTheme;

// A row of an occasion's screens: drawn as a table row of its block, and, when
// selectable, chosen by a click, Return or Space (drawn highlighted while pressed).
class DetailRow : public QWidget {
    Q_OBJECT
public:
    explicit DetailRow(QWidget* parent = nullptr);

    void setBackgroundStyle(const CellBackgroundStyle& style);
    const CellBackgroundStyle& backgroundStyle() const { return m_style; }
    void setSelectable(bool selectable);
    bool isSelectable() const { return m_selectable; }
    // Text colours and images of `theme`; rows override to colour their parts.
    virtual void applyTheme(const ApplicationTheme& theme);

    // A resource icon ("InfoIcon_Phone.png") rounded at `size` points; null when missing.
    static QPixmap roundedIcon(const QString& file, int size = 35, int shadow = 3);
    // `label` in the theme's text colour (at `opacity`).
    static void colourLabel(QLabel* label, const ApplicationTheme& theme, qreal opacity = 1);

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CellBackgroundStyle m_style;
    QColor m_highlight;
    bool m_selectable = false;
    bool m_pressed = false;
};

// A row with a rounded icon, a text (and a smaller second text) and at its right an
// accessory: a switch, a check mark or a disclosure arrow.
class SettingsRow : public DetailRow {
    Q_OBJECT
public:
    SettingsRow(const QString& iconFile, const QString& text, QWidget* parent = nullptr);

    QLabel* textLabel() const { return m_text; }
    QLabel* detailLabel() const { return m_detail; }
    // Another icon than the resource image (null: none).
    void setIcon(const QPixmap& icon);
    // A second, smaller text under the first (empty: none).
    void setDetail(const QString& detail);
    // The accessory at the right, owned by the row (null: none).
    void setAccessory(QWidget* accessory);
    QWidget* accessory() const { return m_accessory; }
    void applyTheme(const ApplicationTheme& theme) override;

private:
    QLabel* m_icon;
    QLabel* m_text;
    QLabel* m_detail;
    QHBoxLayout* m_layout;
    QWidget* m_accessory = nullptr;
};

} // namespace fetemark
