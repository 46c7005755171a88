#pragma once

#include <QObject>
#include <QStringList>
#include <optional>

class QAbstractItemModel;
class QSortFilterProxyModel;
class QStringListModel;

// The list of app entries behind the table. Its content keeps the entries in the order they were
// added; its arranged list is the order the table shows (the user may sort it by the header).
// Every index the window's operations use is an index into the arranged list.
class AppList : public QObject
{
    Q_OBJECT

public:
    explicit AppList(QObject *parent = nullptr);

    void clear();
    // Adds entries after the existing ones, in one step however many there are.
    void append(const QStringList &entries);
    qsizetype count() const;
    bool contains(const QString &entry) const;
    // The entry at `row` of the arranged list, or nothing when `row` is not one of its rows.
    std::optional<QString> arrangedAt(int row) const;

    // The arranged list, for the table to show.
    QAbstractItemModel *arranged() const;

private:
    QStringListModel *content;
    QSortFilterProxyModel *arrangement;
};
