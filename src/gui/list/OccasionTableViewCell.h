#pragma once

#include "core/list/ListPhotos.h"
#include "core/records/OccasionRecord.h"
#include "core/theme/ApplicationTheme.h"

#include <QHash>
#include <QPixmap>
#include <QRectF>
#include <QStyledItemDelegate>

#include <functional>

namespace fetemark {

class OccasionListModel;
class RecordDatabase;
class Settings;

// Where the parts of one row sit, for normal or large rows with or without photos; the
// rows are laid out for 302 points and the extra width goes to the name and the phrase,
// while the date and the reminder toggle keep to the right edge.
struct OccasionCellLayout {
    static constexpr qreal SideMargin = 9;
    static constexpr qreal DesignWidth = 302;
    static constexpr int NormalHeight = 56;
    static constexpr int LargeHeight = 68;

    QRectF background; // the row's rounded background
    QRectF photo;      // empty without photos
    QRectF name;
    QRectF typeIcon;
    QRectF detail;
    QRectF date;
    QRectF toggle;
    bool dateRightAligned = true;
    qreal fontSize = 12.5;

    static OccasionCellLayout make(const QRect& itemRect, bool largeRows, bool showPhotos);
};

// Paints the list's items: the rows (background, photo or spinner, name, date, phrase,
// type icon, reminder toggle), the section headers, the empty-list view. A click on a
// row's reminder toggle is reported through `toggleClicked` instead of selecting.
class OccasionTableViewCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    OccasionTableViewCell(
        OccasionListModel& model, RecordDatabase& database, Settings& settings, QObject* parent);

    // The theme the rows are drawn with; the cached images are taken again from it.
    void setTheme(const ApplicationTheme* theme);
    // The spinner's turn, advanced by the list while a spinner shows.
    void setSpinnerPhase(int phase) { m_spinnerPhase = phase; }
    // Whether the last paint drew a spinner (then the list keeps turning it).
    bool takeSpinnerShown();
    // Whether the row's delete question hides the toggle and fades the row.
    void setEditingRow(int flatIndex) { m_editingRow = flatIndex; }
    // The layout of the item at `rect` with the settings as they are now.
    OccasionCellLayout layoutFor(const QRect& rect) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

signals:
    void toggleClicked(int flatIndex);

private:
    void paintRow(QPainter& p, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintRowBackground(
        QPainter& p, const QRectF& rect, int section, int flatIndex, bool selected) const;
    void paintPhoto(QPainter& p, const QRectF& rect, const OccasionRecord& record) const;
    void paintTexts(QPainter& p, const OccasionCellLayout& layout, const OccasionRecord& record,
        bool selected) const;
    void paintHeader(QPainter& p, const QRect& rect, int section) const;
    void paintEmpty(QPainter& p, const QRect& rect) const;
    QPixmap image(ThemeImage which) const;
    QPixmap blank(const QString& file) const;

    OccasionListModel& m_model;
    RecordDatabase& m_database;
    Settings& m_settings;
    const ApplicationTheme* m_theme = nullptr;
    mutable QHash<int, QPixmap> m_images;
    mutable QHash<QString, QPixmap> m_blanks;
    int m_spinnerPhase = 0;
    mutable bool m_spinnerShown = false;
    int m_editingRow = -1;
};

} // namespace fetemark
