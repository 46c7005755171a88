#pragma once

#include "table/rowkeepingmodel.h"
#include "table/textrows.h"

#include <QDate>
#include <QHash>
#include <QList>

// What the Apps view shows of an app beyond its listing, filled in as it is read.
struct AppDetails
{
    QString label;               // the app's name, safe to show; empty while there is none
    QString labelTip;            // why there is no name to show
    QString version;             // versionName
    QString versionTip;          // "version code N"
    QDate updated;               // the last update, as a date; invalid when unknown
    qint64 size = -1;            // of its package files in bytes; -1 unknown
    bool sizeOfBaseOnly = false; // `size` is of the base package file: its splits are unknown
    bool updatedSystem = false;  // a system app with an update installed over it
};

// The model behind the Apps view: the listing (package name and package file a row, compact) with
// each row's details beside it, arranged by a column and narrowed by a filter. Details fill in
// without a reset, so the selection stays; sorting and filtering are layout changes that carry the
// selection with its row, or drop it when its row is hidden. Every row number of the model is a
// visible, arranged row; storedRow() gives the row of rows() it shows.
class AppTable : public RowKeepingModel
{
    Q_OBJECT

public:
    enum Column { Name, Package, Version, Updated, Size, State, Kind, Path, Columns };
    // The cells of each row of rows(), as the listing gives them: the state and kind as the
    // column texts say them.
    enum Listed { ListedPackage, ListedState, ListedKind, ListedPath, ListedColumns };

    explicit AppTable(QObject *parent = nullptr);

    // Shows `listed` (ListedColumns a row) without details, arranged and filtered as the table is.
    void setRows(TextRows listed);
    // Adds `more` after the rows there are, in one step.
    void appendRows(const TextRows &more);
    const TextRows &rows() const { return listed; }
    // The row of rows() at visible `row`; -1 when `row` is not a row of the table.
    qsizetype storedRow(int row) const;

    // Sets the details of stored rows; rows out of range are passed over. The rows stay where they
    // are (a row must not move under the pointer); rearrange() sorts them anew.
    void setDetails(const QList<std::pair<qsizetype, AppDetails>> &changed);
    // The details there are, by package name, and back onto the rows listed now: a list read again
    // after an uninstall keeps what was read for the apps that stay, without reading it again.
    QHash<QString, AppDetails> detailsByPackage() const;
    void restoreDetails(const QHash<QString, AppDetails> &byPackage);
    // Arranges the rows again by the column they are sorted by, with the details there are now.
    void rearrange();
    // Shows only the rows whose Name or Package holds `text`, ignoring case; all when it is empty.
    void setFilter(const QString &text);

    int sortColumn() const { return arrangedBy; }
    Qt::SortOrder sortOrder() const { return direction; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // Texts, tooltips (why a name is missing, the version code) and grey for a name not read yet.
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Arranges the rows by `column`, ignoring case for texts, dates and sizes by value.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // The text of `column` for stored row `stored`.
    QString text(qsizetype stored, int column) const;
    const AppDetails *detailsOf(qsizetype stored) const;
    // Every stored row, in the order of the column the table is sorted by.
    QList<int> sortedRows() const;
    // Applies `sorted` and the filter as a layout change that moves persistent indexes along.
    void showArranged(QList<int> rows);
    bool passes(qsizetype stored) const;

    TextRows listed{ListedColumns};
    QList<AppDetails> details; // by stored row; empty until the first arrive
    QList<int> sorted;         // every stored row, arranged
    QList<int> visible;        // the rows of `sorted` that pass the filter
    QString filterText;
    int arrangedBy = Name;
    Qt::SortOrder direction = Qt::AscendingOrder;
};
