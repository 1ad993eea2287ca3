#include "orbelle/TagTableModel.h"

void TagTableModel::SetTags(QList<MiraboTagInfo> tags) {
    if (!SameTags(tags)) {
        beginResetModel();
        m_tags = std::move(tags);
        endResetModel();
        return;
    }
    for (int row = 0; row < m_tags.size(); ++row) {
        if (m_tags[row].value == tags[row].value)
            continue;
        m_tags[row].value = tags[row].value;
        const QModelIndex cell = index(row, Value);
        Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
    }
}

bool TagTableModel::SameTags(const QList<MiraboTagInfo>& tags) const {
    if (tags.size() != m_tags.size())
        return false;
    for (int row = 0; row < tags.size(); ++row) {
        const MiraboTagInfo& a = m_tags[row];
        const MiraboTagInfo& b = tags[row];
        if (a.name != b.name || a.type != b.type || a.description != b.description)
            return false;
    }
    return true;
}

int TagTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_tags.size());
}

int TagTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TagTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_tags.size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return QVariant();
    const MiraboTagInfo& tag = m_tags[index.row()];
    switch (index.column()) {
    case Name:
        return tag.name;
    case Type:
        return tag.type;
    case Description:
        return tag.description;
    case Value:
        return tag.value;
    default:
        return QVariant();
    }
}

QVariant TagTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Name:
        return tr("Name");
    case Type:
        return tr("Type");
    case Description:
        return tr("Description");
    case Value:
        return tr("Value");
    default:
        return QVariant();
    }
}
