// A table of tags over a TagTableModel: sortable by any column, narrowed by a name filter. The tag
// browser and HalcyteExt show their tags with it.
#pragma once

#include "orbelle/TagTableModel.h"

#include <QSortFilterProxyModel>
#include <QTableView>

class TagTableView : public QTableView {
    Q_OBJECT
public:
    explicit TagTableView(QWidget* parent = nullptr);

    void SetTags(QList<MiraboTagInfo> tags);
    // Shows only the tags whose name contains `text`, without regard to case (all for an empty text).
    // When no tag is current afterwards, the first shown tag becomes current.
    void SetFilter(const QString& text);

    int ShownCount() const { return m_proxy.rowCount(); }
    int TagCount() const { return m_model.rowCount(); }
    // The name of the tag in the current row; empty when there is none.
    QString CurrentName() const;

private:
    TagTableModel m_model;
    QSortFilterProxyModel m_proxy;
    bool m_sized = false;
};
