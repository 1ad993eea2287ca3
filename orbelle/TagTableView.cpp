#include "orbelle/TagTableView.h"

#include <QHeaderView>

TagTableView::TagTableView(QWidget* parent) : QTableView(parent) {
    m_proxy.setSourceModel(&m_model);
    m_proxy.setFilterKeyColumn(TagTableModel::Name);
    m_proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_proxy.setSortCaseSensitivity(Qt::CaseInsensitive);
    setModel(&m_proxy);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setSortingEnabled(true);
    sortByColumn(TagTableModel::Name, Qt::AscendingOrder);
    // Thousands of rows: every row has the same height, and column widths come from a sample of rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setResizeContentsPrecision(200);
    horizontalHeader()->setStretchLastSection(true);
}

void TagTableView::SetTags(QList<MiraboTagInfo> tags) {
    const QString current = CurrentName();
    m_model.SetTags(std::move(tags));
    if (!m_sized && m_model.rowCount() > 0) {
        m_sized = true;
        resizeColumnsToContents();
    }
    if (!currentIndex().isValid() && m_proxy.rowCount() > 0) {
        // Keep the tag that was current before a reset, else take the first.
        const QModelIndexList match =
            current.isEmpty() ? QModelIndexList()
                              : m_proxy.match(m_proxy.index(0, TagTableModel::Name), Qt::DisplayRole, current, 1,
                                              Qt::MatchFixedString | Qt::MatchCaseSensitive);
        setCurrentIndex(match.isEmpty() ? m_proxy.index(0, 0) : match.first());
    }
}

void TagTableView::SetFilter(const QString& text) {
    m_proxy.setFilterFixedString(text);
    if (!currentIndex().isValid() && m_proxy.rowCount() > 0)
        setCurrentIndex(m_proxy.index(0, 0));
}

QString TagTableView::CurrentName() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return QString();
    return m_proxy.index(current.row(), TagTableModel::Name).data().toString();
}
