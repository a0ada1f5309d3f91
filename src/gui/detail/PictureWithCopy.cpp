#include "PictureWithCopy.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>

namespace fetemark {

PictureWithCopy::PictureWithCopy(QWidget* parent) : QWidget(parent), m_longPress(new QTimer(this))
{
    m_longPress->setSingleShot(true);
    m_longPress->setInterval(LongPressMilliseconds);
    connect(m_longPress, &QTimer::timeout, this,
        [this] { showCopyMenu(mapToGlobal(m_pressPosition)); });
    setAccessibleName(tr("Photo"));
}

void PictureWithCopy::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    updateGeometry();
    update();
}

void PictureWithCopy::setCopyImage(const QImage& image)
{
    m_copyImage = image;
    // Only a copyable picture takes the keyboard, so Ctrl+C has something to copy.
    setFocusPolicy(canCopy() ? Qt::StrongFocus : Qt::NoFocus);
}

bool PictureWithCopy::copy()
{
    if (!canCopy())
        return false;
    QApplication::clipboard()->setImage(m_copyImage);
    return true;
}

QSize PictureWithCopy::sizeHint() const
{
    if (m_picture.isNull())
        return {0, 0};
    return (QSizeF(m_picture.size()) / m_picture.devicePixelRatio()).toSize();
}

void PictureWithCopy::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF size = QSizeF(m_picture.size()) / m_picture.devicePixelRatio();
    painter.drawPixmap(
        QRectF(QPointF(0, 0), size.scaled(QSizeF(this->size()), Qt::KeepAspectRatio)), m_picture,
        QRectF(m_picture.rect()));
}

void PictureWithCopy::contextMenuEvent(QContextMenuEvent* event)
{
    showCopyMenu(event->globalPos());
}

void PictureWithCopy::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy) && copy())
        return;
    QWidget::keyPressEvent(event);
}

void PictureWithCopy::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && canCopy()) {
        m_pressPosition = event->position().toPoint();
        m_longPress->start();
    }
    QWidget::mousePressEvent(event);
}

void PictureWithCopy::mouseReleaseEvent(QMouseEvent* event)
{
    m_longPress->stop();
    QWidget::mouseReleaseEvent(event);
}

void PictureWithCopy::showCopyMenu(const QPoint& globalPosition)
{
    if (!canCopy())
        return;
    emit copyMenuRequested(globalPosition);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(tr("Photo"));
    menu->addAction(tr("Copy"), this, [this] { copy(); });
    menu->popup(globalPosition);
}

} // namespace fetemark
