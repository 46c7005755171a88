#pragma once

#include <QAbstractTableModel>
#include <QList>

// A table model whose shown rows stand for rows it stores, and that rearranges them (sorts,
// filters) as layout changes during which the selection, as every persistent index, stays with
// its stored row.
class RowKeepingModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

protected:
    // Runs `rearrange`, which changes which stored row each shown row is, as one layout change.
    // `storedRow(row)` is the stored row a shown row stands for (-1: none), before and after;
    // `storedCount` how many rows are stored. An index whose row is no longer shown goes.
    template<typename Rearrange, typename StoredRow>
    void keepingRows(Rearrange rearrange, StoredRow storedRow, qsizetype storedCount);
};

template<typename Rearrange, typename StoredRow>
void RowKeepingModel::keepingRows(Rearrange rearrange, StoredRow storedRow, qsizetype storedCount)
{
    emit layoutAboutToBeChanged({}, VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<qsizetype> stored;
    stored.reserve(before.size());
    for (const QModelIndex &index : before)
        stored.append(storedRow(index.row()));

    rearrange();

    if (!before.isEmpty()) {
        QList<int> shownAt(storedCount, -1);
        for (int row = 0; row < rowCount(); ++row)
            shownAt[storedRow(row)] = row;
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const int row = stored.at(i) < 0 ? -1 : shownAt.at(stored.at(i));
            after.append(row < 0 ? QModelIndex() : index(row, before.at(i).column()));
        }
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, VerticalSortHint);
}
