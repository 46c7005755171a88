#include "apps/installedapps.h"

#include "table/texttable.h"

InstalledApps::InstalledApps(QObject *parent)
    : QObject(parent)
    , table(new TextTable({tr("App"), tr("State"), tr("Kind"), tr("Package file")}, this))
{
    table->sort(Name, Qt::AscendingOrder);
}

void InstalledApps::clear()
{
    table->setRows(TextRows(Columns));
}

void InstalledApps::append(TextRows apps)
{
    table->appendRows(std::move(apps));
}

qsizetype InstalledApps::count() const
{
    return table->rows().rowCount();
}

bool InstalledApps::containsName(const QString &name) const
{
    return table->rows().indexOf(Name, name) >= 0;
}

std::optional<InstalledApp> InstalledApps::arrangedAt(int row) const
{
    const qsizetype stored = table->storedRow(row);
    if (stored < 0)
        return std::nullopt;
    return InstalledApp{table->rows().text(stored, Name), table->rows().text(stored, Path)};
}
