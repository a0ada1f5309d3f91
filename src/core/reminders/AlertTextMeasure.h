#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <optional>

namespace fetemark {

// Lays an alert text out as a notification box shows it: word-wrapped at 260 px in the
// shipped DejaVu Sans at 18 px, a word wider than the box broken where it reaches the
// edge. The font comes from the resources and is never mixed with the machine's fonts,
// so every machine measures alike. Needs a QGuiApplication for the whole of its life;
// an instance belongs to one thread (a rebuild makes its own).
class AlertTextMeasure {
public:
    static constexpr int BoxWidth = 260;
    static constexpr int BoxHeight = 110;
    static constexpr int FontPixelSize = 18;

    struct Layout {
        int lines = 0;
        qreal height = 0;
    };

    // None when this process cannot lay text out: no QGuiApplication, or the shipped
    // font did not load.
    static std::optional<AlertTextMeasure> create();

    Layout layout(const QString& text) const;
    bool tallerThanBox(const QString& text) const { return layout(text).height > BoxHeight; }

    // NotificationPlanner's height test made on the calling thread, or none when this
    // process cannot measure (the planner then keeps to the length rule).
    static std::function<bool(const QString&)> plannerTest();

private:
    explicit AlertTextMeasure(const QString& family);

    QFont m_font;
    qreal m_leading;
};

} // namespace fetemark
