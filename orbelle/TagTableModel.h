// The tags of a station as a table: name, type, description and current value, one row per tag.
#pragma once

#include "toolkit/MiraboToolkit.h"

#include <QAbstractTableModel>
#include <QList>

class TagTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Type, Description, Value, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces the rows. When the same tags arrive in the same order, only the changed values are
    // reported, so that views keep their selection, sorting and scroll position.
    void SetTags(QList<MiraboTagInfo> tags);
    const QList<MiraboTagInfo>& Tags() const { return m_tags; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool SameTags(const QList<MiraboTagInfo>& tags) const;

    QList<MiraboTagInfo> m_tags;
};
