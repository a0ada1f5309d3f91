#pragma once

#include "core/list/MainListModel.h"

#include <QColor>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>

class QPainter;

namespace fetemark {

class ApplicationTheme;

// How one row or header background looks: the rounded outline its place in a block asks
// for, its fill with an optional three-stop gradient, border, separator and stripes.
struct CellBackgroundStyle {
    RowLocation location = RowLocation::Single;
    QColor fillColor;   // invalid: white
    QColor borderColor; // invalid: no border
    QColor separatorColor;
    bool showGradient = false;
    bool reverseGradient = false;
    double gradientFactor = 0;
    bool showStripes = false;
    QColor stripeColor;

    friend bool operator==(const CellBackgroundStyle&, const CellBackgroundStyle&) = default;
};

// Draws the backgrounds every list of the application draws its rows and headers with.
// A widget for screens built from widgets; the list's painter calls paint() directly.
class TableCellBackgroundView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal CornerRadius = 10;

    explicit TableCellBackgroundView(QWidget* parent = nullptr);

    const CellBackgroundStyle& style() const { return m_style; }
    // An equal style changes nothing; another one redraws (from a rebuilt cache).
    void setStyle(const CellBackgroundStyle& style);
    void setLocation(RowLocation location);
    void setFillColor(const QColor& color);
    // Drops the cached drawing so the next paint rebuilds it.
    void markBackgroundDirty() { m_cache = QPixmap(); }

    // `rect` filled as `style` says.
    static void paint(QPainter& painter, const QRectF& rect, const CellBackgroundStyle& style);
    // The outline of a row at `location` inside `rect`.
    static QPainterPath outline(const QRectF& rect, RowLocation location, qreal radius);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CellBackgroundStyle m_style;
    QPixmap m_cache;
};

} // namespace fetemark
