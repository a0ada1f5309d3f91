#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

class QTimer;

namespace fetemark {

// A picture that can hand its full-size original to the clipboard: while `copyImage` is
// set, a right click, a long press or Ctrl+C offers Copy, which puts the original (not
// the rounded picture shown) on the clipboard.
class PictureWithCopy : public QWidget {
    Q_OBJECT
public:
    static constexpr int LongPressMilliseconds = 600;

    explicit PictureWithCopy(QWidget* parent = nullptr);

    void setPicture(const QPixmap& picture);
    QPixmap picture() const { return m_picture; }
    void setCopyImage(const QImage& image);
    const QImage& copyImage() const { return m_copyImage; }
    bool canCopy() const { return !m_copyImage.isNull(); }
    // Puts the original on the clipboard; false when there is none.
    bool copy();

    QSize sizeHint() const override;

signals:
    // The Copy menu is about to show (tests answer it instead of a person).
    void copyMenuRequested(const QPoint& globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showCopyMenu(const QPoint& globalPosition);

    QPixmap m_picture;
    QImage m_copyImage;
    QTimer* m_longPress;
    QPoint m_pressPosition;
};

} // namespace fetemark
