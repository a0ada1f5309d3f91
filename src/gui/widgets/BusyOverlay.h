#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

class QVariantAnimation;

namespace fetemark {

class ActivityIndicator;

// The shade over a screen while long work runs: a spinner and a line saying what is
// being done. It covers its parent and keeps clicks and keys from the screen under it.
// Work that is usually quick starts it with `start`, which shows it only if the work
// still runs after a second, so short work does not flash a shade.
class BusyOverlay : public QWidget {
    Q_OBJECT
public:
    static constexpr int DelayMilliseconds = 1000;
    static constexpr int FadeMilliseconds = 500;

    explicit BusyOverlay(QWidget* parent);

    // Shows the overlay after the delay, fading in; again while started: new text.
    void start(const QString& text);
    // Shows it at once (fading in unless `fadeIn` is false).
    void startNow(const QString& text, bool fadeIn = true);
    // Fades it out (at once unless `animated`); an overlay still waiting never shows.
    void stop(bool animated = true);

    QString text() const { return m_text; }
    // Started and not stopped, whether shown yet or not.
    bool isActive() const { return m_active; }
    // 0 (hidden) to 1 (fully shown).
    qreal opacity() const { return m_opacity; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void appear(bool fadeIn);
    void fadeTo(qreal target, int milliseconds);
    void setOpacity(qreal opacity);
    void layoutIndicator();

    QTimer m_delay;
    ActivityIndicator* m_indicator;
    QPointer<QVariantAnimation> m_fade;
    QPointer<QWidget> m_focusBefore;
    QString m_text;
    qreal m_opacity = 0;
    bool m_active = false;
};

} // namespace fetemark
