#pragma once

#include <QColor>
#include <QWidget>

class QPainter;
class QRectF;

namespace fetemark {

// The spinner of long work: twelve spokes, the brightest one going round once a second.
// Row delegates that draw a spinner inside a row use `paint` with `currentStep()`, so
// every spinner on screen turns in step without a widget of its own.
class ActivityIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int Spokes = 12;
    static constexpr int StepMilliseconds = 1000 / Spokes;

    explicit ActivityIndicator(QWidget* parent = nullptr);

    void setColor(const QColor& color);
    QSize sizeHint() const override { return {37, 37}; }

    // The spoke that is brightest now.
    static int currentStep();
    static void paint(QPainter& painter, const QRectF& rect, int step, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QColor m_color = Qt::white;
    int m_timer = 0;
};

} // namespace fetemark
