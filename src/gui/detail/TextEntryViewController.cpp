#include "TextEntryViewController.h"

#include "core/theme/ApplicationTheme.h"
#include "gui/widgets/ThemeIcons.h"

#include <QAction>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace fetemark {

TextEntryViewController::TextEntryViewController(const ApplicationTheme& theme,
    const QString& title, const QString& text, const QString& placeholder, Update onUpdate,
    QWidget* parent)
    : ViewController(parent), m_theme(theme), m_editor(new QPlainTextEdit(this)),
      m_onUpdate(std::move(onUpdate))
{
    setTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(m_editor);
    m_editor->setPlainText(text);
    m_editor->setPlaceholderText(placeholder);
    m_editor->setAccessibleName(title);
    QFont font = m_editor->font();
    font.setPixelSize(16);
    m_editor->setFont(font);
    auto* saveAction = new QAction(tr("Save"), this);
    saveAction->setShortcut(QKeySequence::Save);
    saveAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(saveAction);
    saveAction->setIcon(
        ThemeIcons::icon(m_theme, ThemeImage::menuCheckUp, ThemeImage::menuCheckDown));
    connect(saveAction, &QAction::triggered, this, &TextEntryViewController::save);
    setRightBarActions({saveAction});
}

QString TextEntryViewController::text() const
{
    return m_editor->toPlainText();
}

void TextEntryViewController::save()
{
    if (m_onUpdate)
        m_onUpdate(*this, text());
}

void TextEntryViewController::viewDidAppear(bool)
{
    m_editor->setFocus();
    m_editor->moveCursor(QTextCursor::End);
}

void TextEntryViewController::themeChanged()
{
    const QIcon icon =
        ThemeIcons::icon(m_theme, ThemeImage::menuCheckUp, ThemeImage::menuCheckDown);
    if (!rightBarActions().isEmpty())
        rightBarActions().front()->setIcon(icon);
    update();
}

void TextEntryViewController::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage& background = m_theme.backgroundImage;
    if (background.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    const QSizeF size =
        QSizeF(background.size()).scaled(QSizeF(this->size()), Qt::KeepAspectRatioByExpanding);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(
        QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size),
        background);
}

} // namespace fetemark
