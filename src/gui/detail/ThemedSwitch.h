#pragma once

#include <QAbstractButton>

namespace fetemark {

// An on/off switch drawn like a phone's: a rounded track with a knob that sits right
// when on. Checkable; its accessible name is the text of the row it switches.
class ThemedSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ThemedSwitch(const QString& accessibleName, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // The track's colour while on.
    void setOnColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_onColor {0x34, 0xa8, 0x53};
};

} // namespace fetemark
