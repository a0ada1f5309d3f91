#include "OccasionListModel.h"

#include "core/database/RecordDatabase.h"

#include <QSize>

namespace fetemark {

namespace {
constexpr int FooterHeight = 15;
}

OccasionListModel::OccasionListModel(MainListModel& list, RecordDatabase& database, QObject* parent)
    : QAbstractListModel(parent), m_list(list), m_database(database)
{
}

void OccasionListModel::reload(int rowHeight)
{
    beginResetModel();
    m_items.clear();
    m_rowOfFlat.clear();
    if (m_list.isEmpty()) {
        m_items.push_back({Kind::Empty, 0, 0, -1, MainListModel::EmptyListHeaderHeight});
    } else {
        const int sections = m_list.numberOfSections();
        int flat = 0;
        m_items.reserve(m_list.records().size() + std::size_t(sections) + 1);
        m_rowOfFlat.reserve(m_list.records().size());
        for (int section = 0; section < sections; ++section) {
            if (const int height = m_list.headerHeight(section); height > 0)
                m_items.push_back({Kind::Header, section, 0, -1, height});
            for (int row = 0; row < m_list.numberOfRows(section); ++row) {
                m_rowOfFlat.push_back(int(m_items.size()));
                m_items.push_back({Kind::Row, section, row, flat++, rowHeight});
            }
        }
        m_items.push_back({Kind::Footer, sections - 1, 0, -1, FooterHeight});
    }
    endResetModel();
}

int OccasionListModel::modelRowOfFlatIndex(int flatIndex) const
{
    if (flatIndex < 0 || flatIndex >= int(m_rowOfFlat.size()))
        return -1;
    return m_rowOfFlat[std::size_t(flatIndex)];
}

OccasionRecordPtr OccasionListModel::recordAt(int modelRow) const
{
    if (modelRow < 0 || modelRow >= int(m_items.size()))
        return nullptr;
    const Item& it = m_items[std::size_t(modelRow)];
    if (it.kind != Kind::Row || it.flatIndex >= int(m_list.records().size()))
        return nullptr;
    return m_list.records()[std::size_t(it.flatIndex)];
}

int OccasionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant OccasionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_items.size()))
        return {};
    const Item& it = m_items[std::size_t(index.row())];
    switch (role) {
    case KindRole:
        return int(it.kind);
    case SectionRole:
        return it.section;
    case FlatIndexRole:
        return it.flatIndex;
    case Qt::SizeHintRole:
        return QSize(0, it.height);
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case AccessibleTextRole: {
        if (it.kind == Kind::Header)
            return m_list.groupsArray().at(std::size_t(it.section)).groupTitle;
        const OccasionRecordPtr record = recordAt(index.row());
        if (!record)
            return {};
        m_database.ensureStrings(*record);
        if (role == Qt::DisplayRole)
            return record->name;
        return record->name + QStringLiteral(", ") + record->detailedText;
    }
    default:
        return {};
    }
}

Qt::ItemFlags OccasionListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= int(m_items.size()))
        return Qt::NoItemFlags;
    if (m_items[std::size_t(index.row())].kind == Kind::Row)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::NoItemFlags;
}

} // namespace fetemark
