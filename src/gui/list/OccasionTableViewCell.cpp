#include "OccasionTableViewCell.h"

#include "OccasionListModel.h"
#include "core/database/RecordDatabase.h"
#include "core/list/ListRows.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "gui/widgets/TableCellBackgroundView.h"
#include "gui/widgets/ThemeIcons.h"

#include <QMouseEvent>
#include <QPainter>

namespace fetemark {
namespace {

using Kind = OccasionListModel::Kind;

QFont pixelFont(qreal size, bool bold)
{
    QFont font;
    font.setPixelSize(qRound(size));
    font.setBold(bold);
    return font;
}

void drawText(QPainter& p, const QRectF& rect, int flags, const QString& text, const QColor& colour,
    const QColor& shadow)
{
    const QString elided = p.fontMetrics().elidedText(text, Qt::ElideRight, int(rect.width()));
    if (shadow.isValid() && shadow.alpha() > 0) {
        p.setPen(shadow);
        p.drawText(rect.translated(0, 1), flags, elided);
    }
    p.setPen(colour);
    p.drawText(rect, flags, elided);
}

ThemeImage typeImage(ListRows::TypeIcon icon)
{
    switch (icon) {
    case ListRows::TypeIcon::Birthday:
        return ThemeImage::birthdayIcon;
    case ListRows::TypeIcon::Anniversary:
        return ThemeImage::anniversaryIcon;
    case ListRows::TypeIcon::Other:
        return ThemeImage::otherIcon;
    default:
        return ThemeImage::holidayIcon;
    }
}

} // namespace

OccasionCellLayout OccasionCellLayout::make(const QRect& itemRect, bool largeRows, bool showPhotos)
{
    OccasionCellLayout l;
    l.background = QRectF(itemRect).adjusted(SideMargin, 0, -SideMargin, 0);
    const qreal x0 = l.background.left();
    const qreal y0 = l.background.top();
    const qreal extra = std::max<qreal>(0, l.background.width() - DesignWidth);
    auto at = [&](qreal x, qreal y, qreal w, qreal h) { return QRectF(x0 + x, y0 + y, w, h); };
    const qreal nameX = showPhotos ? (largeRows ? 67 : 55) : 8;
    const qreal nameW = showPhotos ? (largeRows ? 197 : 209) : (largeRows ? 259 : 256);
    if (showPhotos)
        l.photo = largeRows ? at(2, 2, 63, 63) : at(2, 2, 51, 51);
    l.name = at(nameX, largeRows ? 4 : 6, nameW + extra, 22);
    l.typeIcon = at(nameX, largeRows ? 28 : 31, 14, 13);
    l.toggle = at(l.background.width() - 36, 2, 32, 32);
    l.name.setRight(std::min(l.name.right(), l.toggle.left() - 2));
    if (largeRows) {
        l.detail = at(nameX + 18, 23, (showPhotos ? 208 : 250) - 40 + extra, 22);
        l.date = at(nameX, 42, (showPhotos ? 217 : 216) + extra, 20);
        l.dateRightAligned = false;
        l.fontSize = 14;
    } else {
        l.date = at(215 + extra, 31, 78, 18);
        l.detail = at(nameX + 17, 31, 215 - nameX - 17 - 4 + extra, 18);
    }
    return l;
}

OccasionTableViewCell::OccasionTableViewCell(
    OccasionListModel& model, RecordDatabase& database, Settings& settings, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model), m_database(database), m_settings(settings)
{
}

void OccasionTableViewCell::setTheme(const ApplicationTheme* theme)
{
    m_theme = theme;
    m_images.clear();
    m_blanks.clear();
}

bool OccasionTableViewCell::takeSpinnerShown()
{
    return std::exchange(m_spinnerShown, false);
}

OccasionCellLayout OccasionTableViewCell::layoutFor(const QRect& rect) const
{
    return OccasionCellLayout::make(rect, m_settings.boolValue(QString(Key::LargeRows)),
        m_settings.boolValue(QString(Key::ShowPhotos)));
}

QPixmap OccasionTableViewCell::image(ThemeImage which) const
{
    auto it = m_images.find(int(which));
    if (it == m_images.end())
        it = m_images.insert(int(which), ThemeIcons::pixmap(*m_theme, which));
    return *it;
}

QPixmap OccasionTableViewCell::blank(const QString& file) const
{
    auto it = m_blanks.find(file);
    if (it == m_blanks.end())
        it = m_blanks.insert(file, ThemeIcons::resourcePixmap(file));
    return *it;
}

QSize OccasionTableViewCell::sizeHint(
    const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(option.rect.width(), index.data(Qt::SizeHintRole).toSize().height());
}

void OccasionTableViewCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!m_theme)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const auto kind = Kind(index.data(OccasionListModel::KindRole).toInt());
    if (kind == Kind::Row)
        paintRow(*painter, option, index);
    else if (kind == Kind::Header)
        paintHeader(*painter, option.rect, index.data(OccasionListModel::SectionRole).toInt());
    else if (kind == Kind::Empty)
        paintEmpty(*painter, option.rect);
    painter->restore();
}

void OccasionTableViewCell::paintRowBackground(
    QPainter& p, const QRectF& rect, int section, int flatIndex, bool selected) const
{
    const MainListModel& list = m_model.list();
    CellBackgroundStyle style;
    style.location = list.viewLocationForIndexPath(list.indexPathForRecordAtIndex(flatIndex));
    style.fillColor = selected ? m_theme->colors.highlightColor : m_theme->colors.rowColor1;
    style.showGradient = selected;
    style.gradientFactor = m_theme->gradientFactor;
    style.borderColor = list.sectionIsUpcoming(section) ? m_theme->colors.upcomingBorderColor
                                                        : m_theme->colors.borderColor;
    style.separatorColor = m_theme->colors.separatorColor;
    TableCellBackgroundView::paint(p, rect, style);
}

void OccasionTableViewCell::paintRow(
    QPainter& p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const OccasionRecordPtr record = m_model.recordAt(index.row());
    if (!record)
        return;
    m_database.ensureStrings(*record);
    const int flat = index.data(OccasionListModel::FlatIndexRole).toInt();
    const bool selected = option.state & QStyle::State_Selected;
    const OccasionCellLayout layout = layoutFor(option.rect);
    paintRowBackground(
        p, layout.background, index.data(OccasionListModel::SectionRole).toInt(), flat, selected);
    if (option.state & QStyle::State_HasFocus && selected) {
        p.setPen(QPen(m_theme->colors.highlightedTextColor, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(layout.background.adjusted(3, 3, -3, -3), 6, 6);
    }
    const bool editing = flat == m_editingRow;
    p.setOpacity(editing ? 0.5 : 1.0);
    if (!layout.photo.isEmpty())
        paintPhoto(p, layout.photo, *record);
    paintTexts(p, layout, *record, selected);
    if (const auto icon = ListRows::typeIcon(*record); icon != ListRows::TypeIcon::None)
        p.drawPixmap(layout.typeIcon.toRect(), image(typeImage(icon)));
    p.setOpacity(1.0);
    const auto toggle = ListRows::setWithRecord(*record, m_settings);
    if (editing || toggle.image == ListRows::ReminderToggle::Image::None)
        return;
    p.drawPixmap(layout.toggle.toRect(),
        image(toggle.image == ListRows::ReminderToggle::Image::UpcomingOn
                ? ThemeImage::upcomingOnUp
                : ThemeImage::upcomingOff));
}

void OccasionTableViewCell::paintTexts(QPainter& p, const OccasionCellLayout& layout,
    const OccasionRecord& record, bool selected) const
{
    const ThemeColors& c = m_theme->colors;
    const QColor text = selected ? c.highlightedTextColor : c.textColor;
    const QColor shadow = selected ? QColor() : c.shadowColor;
    p.setFont(pixelFont(layout.fontSize + 4, true));
    drawText(p, layout.name, Qt::AlignLeft | Qt::AlignVCenter, record.name, text, shadow);
    p.setFont(pixelFont(layout.fontSize, false));
    drawText(p, layout.date,
        (layout.dateRightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
        ListRows::dateLabelText(record, m_settings), text, shadow);
    const ListRows::DetailStyle style = ListRows::detailStyle(record);
    p.setFont(pixelFont(layout.fontSize, style.bold));
    drawText(p, layout.detail, Qt::AlignLeft | Qt::AlignVCenter, record.detailedText,
        style.todayColour ? c.todayTextColor : text, shadow);
}

void OccasionTableViewCell::paintPhoto(
    QPainter& p, const QRectF& rect, const OccasionRecord& record) const
{
    const ListPhotos::RowPhoto photo = ListPhotos::rowPhoto(record, m_settings);
    if (photo.show == ListPhotos::RowPhoto::Show::Photo) {
        p.drawImage(rect, photo.photo);
        return;
    }
    if (photo.show == ListPhotos::RowPhoto::Show::Blank) {
        p.drawPixmap(rect.toRect(), blank(photo.blankFile));
        return;
    }
    m_spinnerShown = true;
    const QPointF centre = rect.center();
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(30.0 * (i + m_spinnerPhase));
        QColor colour = m_theme->colors.textColor;
        colour.setAlphaF(float(0.15 + 0.85 * i / 11.0));
        p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -5), QPointF(0, -9));
        p.restore();
    }
}

void OccasionTableViewCell::paintHeader(QPainter& p, const QRect& rect, int section) const
{
    const MainListModel& list = m_model.list();
    if (!list.showsHeaderTitle(section))
        return;
    const ListGroup& group = list.groupsArray().at(std::size_t(section));
    const bool first = group.groupPosition == 1;
    const QRectF bar(rect.left() + OccasionCellLayout::SideMargin, rect.top() + (first ? 15 : 0),
        rect.width() - 2 * OccasionCellLayout::SideMargin, 25);
    CellBackgroundStyle style;
    style.location = first ? RowLocation::Top : RowLocation::Middle;
    style.borderColor =
        group.upcomingGroup ? m_theme->colors.upcomingBorderColor : m_theme->colors.borderColor;
    style.separatorColor = m_theme->colors.separatorColor;
    style.showGradient = true;
    QColor text = m_theme->colors.textColor;
    QColor shadow = m_theme->colors.shadowColor;
    if (m_theme->isStandardTheme) {
        style.fillColor = QColor::fromRgbF(0.50f, 0.51f, 0.53f);
        style.gradientFactor = -0.75;
        style.reverseGradient = true;
        text = Qt::white;
        shadow = Qt::black;
    } else {
        style.fillColor = m_theme->colors.rowColor2;
        style.gradientFactor = m_theme->gradientFactor;
    }
    TableCellBackgroundView::paint(p, bar, style);
    p.setFont(pixelFont(15, true));
    const QRectF title(
        bar.left() + 8, bar.top() + (m_theme->isStandardTheme ? 3 : 2), bar.width() - 16, 20);
    drawText(p, title, Qt::AlignLeft | Qt::AlignVCenter, group.groupTitle, text, shadow);
}

void OccasionTableViewCell::paintEmpty(QPainter& p, const QRect& rect) const
{
    const QRectF box = QRectF(rect).adjusted(
        OccasionCellLayout::SideMargin, 0, -OccasionCellLayout::SideMargin, 0);
    CellBackgroundStyle style;
    style.location = RowLocation::Single;
    style.fillColor = m_theme->colors.rowColor2;
    style.separatorColor = m_theme->colors.separatorColor;
    TableCellBackgroundView::paint(p, box, style);
    p.setFont(pixelFont(17, true));
    p.setPen(m_theme->colors.textColor);
    p.drawText(box.adjusted(8, 0, -8, 0), Qt::AlignCenter | Qt::TextWordWrap,
        m_database.texts().text(QStringLiteral("NoEntries"), QStringLiteral("No Entries")));
}

bool OccasionTableViewCell::editorEvent(QEvent* event, QAbstractItemModel* model,
    const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseButtonPress)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const OccasionRecordPtr record = m_model.recordAt(index.row());
    if (!record || mouse->button() != Qt::LeftButton ||
        !layoutFor(option.rect).toggle.contains(mouse->position()) ||
        !ListRows::setWithRecord(*record, m_settings).enabled)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    if (event->type() == QEvent::MouseButtonRelease)
        emit toggleClicked(index.data(OccasionListModel::FlatIndexRole).toInt());
    return true;
}

} // namespace fetemark
