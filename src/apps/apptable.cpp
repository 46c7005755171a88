#include "apps/apptable.h"

#include "apps/detailtext.h"
#include "apps/systemapps.h"
#include "table/caselessorder.h"

#include <QColor>
#include <QLocale>
#include <algorithm>
#include <numeric>

namespace {

// Stored rows sorted by `key` (a value per stored row), stably: ties keep the stored order, in
// both directions.
template<typename Key> QList<int> sortedBy(const QList<Key> &keys, Qt::SortOrder order)
{
    QList<int> rows(keys.size());
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&keys, order](int a, int b) {
        return order == Qt::AscendingOrder ? keys.at(a) < keys.at(b) : keys.at(b) < keys.at(a);
    });
    return rows;
}

} // namespace

AppTable::AppTable(QObject *parent)
    : RowKeepingModel(parent)
{}

void AppTable::setRows(TextRows replacement)
{
    beginResetModel();
    listed = std::move(replacement);
    details.clear();
    sorted = sortedRows();
    visible.clear();
    for (const int stored : std::as_const(sorted))
        if (passes(stored))
            visible.append(stored);
    endResetModel();
}

void AppTable::appendRows(const TextRows &more)
{
    if (more.isEmpty())
        return;
    TextRows all = listed;
    all.append(more);
    setRows(std::move(all));
}

qsizetype AppTable::storedRow(int row) const
{
    return row < 0 || row >= visible.size() ? -1 : visible.at(row);
}

const AppDetails *AppTable::detailsOf(qsizetype stored) const
{
    return stored >= 0 && stored < details.size() ? &details.at(stored) : nullptr;
}

void AppTable::setDetails(const QList<std::pair<qsizetype, AppDetails>> &changed)
{
    if (details.isEmpty())
        details.resize(listed.rowCount());
    for (const auto &[stored, detail] : changed)
        if (stored >= 0 && stored < details.size())
            details[stored] = detail;
    // One signal for the batch: the view repaints what it shows, however many rows changed.
    if (!visible.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, Columns - 1));
}

QHash<QString, AppDetails> AppTable::detailsByPackage() const
{
    QHash<QString, AppDetails> byPackage;
    for (qsizetype row = 0; row < details.size(); ++row)
        byPackage.insert(listed.text(row, ListedPackage), details.at(row));
    return byPackage;
}

void AppTable::restoreDetails(const QHash<QString, AppDetails> &byPackage)
{
    if (byPackage.isEmpty())
        return;
    QList<std::pair<qsizetype, AppDetails>> found;
    for (qsizetype row = 0; row < listed.rowCount(); ++row) {
        const auto detail = byPackage.constFind(listed.text(row, ListedPackage));
        if (detail != byPackage.cend())
            found.append({row, *detail});
    }
    setDetails(found);
    rearrange();
}

void AppTable::rearrange()
{
    showArranged(sortedRows());
}

void AppTable::setFilter(const QString &text)
{
    if (text == filterText)
        return;
    filterText = text;
    showArranged(sorted);
}

bool AppTable::passes(qsizetype stored) const
{
    if (filterText.isEmpty())
        return true;
    return text(stored, Package).contains(filterText, Qt::CaseInsensitive) ||
           text(stored, Name).contains(filterText, Qt::CaseInsensitive);
}

QString AppTable::text(qsizetype stored, int column) const
{
    const AppDetails *detail = detailsOf(stored);
    switch (column) {
    case Name:
        return detail && !detail->label.isEmpty() ? detail->label
                                                  : listed.text(stored, ListedPackage);
    case Package:
        return listed.text(stored, ListedPackage);
    case Path:
        return listed.text(stored, ListedPath);
    case State:
        return listed.text(stored, ListedState);
    case Kind: {
        // The listing tells system apps; only the dump tells those updated since.
        const QString kind = listed.text(stored, ListedKind);
        return detail && detail->updatedSystem && kind == kindText(AppKind::System)
                   ? kindText(AppKind::UpdatedSystem)
                   : kind;
    }
    case Version:
        return detail ? detail->version : QString();
    case Updated:
        return detail && detail->updated.isValid()
                   ? QLocale().toString(detail->updated, QLocale::ShortFormat)
                   : QString();
    case Size:
        if (!detail || detail->size < 0)
            return {};
        // "At least": a size that may leave splits out must not pass for the whole.
        return detail->sizeOfBaseOnly ? QStringLiteral("\u2265 ") + sizeText(detail->size)
                                      : sizeText(detail->size);
    default:
        return {};
    }
}

QList<int> AppTable::sortedRows() const
{
    const qsizetype count = listed.rowCount();
    // The listing's own columns sort fastest from the compact rows.
    if (arrangedBy == Package || arrangedBy == Path || (arrangedBy == Name && details.isEmpty())) {
        QList<int> rows =
            arranged(listed, arrangedBy == Path ? ListedPath : ListedPackage, direction, {});
        if (rows.isEmpty() && count > 0) {
            rows.resize(count);
            std::iota(rows.begin(), rows.end(), 0);
        }
        return rows;
    }
    if (arrangedBy == Updated || arrangedBy == Size) {
        QList<qint64> keys(count, -1);
        for (qsizetype row = 0; row < count && row < details.size(); ++row)
            keys[row] =
                arrangedBy == Size ? details.at(row).size : details.at(row).updated.toJulianDay();
        return sortedBy(keys, direction);
    }
    QList<QString> keys(count);
    for (qsizetype row = 0; row < count; ++row)
        keys[row] = text(row, arrangedBy).toCaseFolded();
    return sortedBy(keys, direction);
}

void AppTable::showArranged(QList<int> rows)
{
    keepingRows(
        [&] {
            sorted = std::move(rows);
            visible.clear();
            for (const int row : std::as_const(sorted))
                if (passes(row))
                    visible.append(row);
        },
        [this](int row) { return storedRow(row); }, listed.rowCount());
}

int AppTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(visible.size());
}

int AppTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant AppTable::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const qsizetype stored = storedRow(index.row());
    const AppDetails *detail = detailsOf(stored);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(stored, index.column());
    case Qt::ToolTipRole:
        if (index.column() == Name && detail && detail->label.isEmpty())
            return detail->labelTip;
        if (index.column() == Version && detail)
            return detail->versionTip;
        if (index.column() == Size && detail && detail->sizeOfBaseOnly && detail->size >= 0)
            return tr("The base package file alone: the device does not say whether the app "
                      "has splits.");
        return {};
    case Qt::ForegroundRole:
        // The package name stands in for a name not read (yet).
        if (index.column() == Name && (!detail || detail->label.isEmpty()))
            return QColor(Qt::gray);
        return {};
    default:
        return {};
    }
}

QVariant AppTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[Columns] = {QT_TR_NOOP("Name"),    QT_TR_NOOP("Package"),
                                                QT_TR_NOOP("Version"), QT_TR_NOOP("Updated"),
                                                QT_TR_NOOP("Size"),    QT_TR_NOOP("State"),
                                                QT_TR_NOOP("Kind"),    QT_TR_NOOP("Package file")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < Columns)
        return tr(titles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void AppTable::sort(int column, Qt::SortOrder order)
{
    // The view asks twice for each click on the header.
    if (column == arrangedBy && order == direction)
        return;
    arrangedBy = column;
    direction = order;
    rearrange();
}
