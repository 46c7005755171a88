#include "applist.h"

#include "arrangedlist.h"

#include <QStringListModel>

AppList::AppList(QObject *parent)
    : QObject(parent)
    , content(new QStringListModel(this))
    , arrangement(new ArrangedList(this))
{
    arrangement->setSourceModel(content);
}

void AppList::clear()
{
    content->setStringList({});
}

void AppList::append(const QStringList &entries)
{
    if (entries.isEmpty())
        return;
    // One reset instead of a row insertion per entry: a listing can hold many thousands.
    content->setStringList(content->stringList() + entries);
}

qsizetype AppList::count() const
{
    return content->rowCount();
}

bool AppList::contains(const QString &entry) const
{
    return content->stringList().contains(entry);
}

std::optional<QString> AppList::arrangedAt(int row) const
{
    if (row < 0 || row >= arrangement->rowCount())
        return std::nullopt;
    return arrangement->index(row, 0).data(Qt::DisplayRole).toString();
}

QAbstractItemModel *AppList::arranged() const
{
    return arrangement;
}
