#include "packagefiles/applist.h"

#include "table/texttable.h"

AppList::AppList(QObject *parent)
    : QObject(parent)
    , table(new TextTable({tr("Package file")}, this))
{}

void AppList::clear()
{
    table->setRows(TextRows(1));
}

void AppList::append(TextRows entries)
{
    table->appendRows(std::move(entries));
}

qsizetype AppList::count() const
{
    return table->rows().rowCount();
}

bool AppList::contains(const QString &entry) const
{
    return table->rows().indexOf(0, entry) >= 0;
}

std::optional<QString> AppList::arrangedAt(int row) const
{
    const qsizetype stored = table->storedRow(row);
    if (stored < 0)
        return std::nullopt;
    return table->rows().text(stored, 0);
}
