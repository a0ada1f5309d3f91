#pragma once

#include "core/list/MainListModel.h"

#include <QAbstractListModel>

#include <vector>

namespace fetemark {

class RecordDatabase;

// The grouped list flattened for one QListView: each section's header, its rows and (for
// the last section) its footer become items; an empty list is one empty-list header.
// Heights are the list's own (points); the delegate paints every item.
class OccasionListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { Header, Row, Footer, Empty };
    enum Role {
        KindRole = Qt::UserRole + 1,
        SectionRole,
        FlatIndexRole,
        AccessibleTextRole,
    };
    struct Item {
        Kind kind = Kind::Row;
        int section = 0;
        int row = 0;
        int flatIndex = -1;
        int height = 0;
    };

    OccasionListModel(MainListModel& list, RecordDatabase& database, QObject* parent = nullptr);

    MainListModel& list() const { return m_list; }
    // Builds the items again from the list's groups.
    void reload(int rowHeight);
    const Item& item(int index) const { return m_items.at(std::size_t(index)); }
    // The model row of a flat record index, or -1.
    int modelRowOfFlatIndex(int flatIndex) const;
    OccasionRecordPtr recordAt(int modelRow) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    MainListModel& m_list;
    RecordDatabase& m_database;
    std::vector<Item> m_items;
    std::vector<int> m_rowOfFlat;
};

} // namespace fetemark
