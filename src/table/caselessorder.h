#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>

class TextRows;

// How the table orders a column of TextRows: by each cell's text case-folded, compared code unit by
// code unit, just as QString::toCaseFolded() and operator< order them. ASCII cells, nearly every
// cell of a listing, are compared as bytes; only the others are folded, once.
class CaselessOrder
{
public:
    CaselessOrder(const TextRows &rows, int column);

    // Negative, zero or positive as the cell at row `a` comes before, ties with or comes after the
    // cell at row `b`.
    int compare(qsizetype a, qsizetype b) const;

private:
    enum Kind : quint8 { Folded, Ascii, Other }; // Folded: ASCII without capitals
    static Kind kindOf(QByteArrayView cell);

    const TextRows &rows;
    int column;
    QList<Kind> kinds;                // one a row
    QHash<qsizetype, QString> folded; // the folded text of the rows of kind Other
};

// `order` (stored rows of `rows`, as the table shows them) sorted by the text of `column`, stably,
// so texts that tie keep the order they had. A column out of range gives the stored order, or with
// Qt::DescendingOrder its reverse. An empty `order` stands for the stored order.
QList<int> arranged(const TextRows &rows, int column, Qt::SortOrder sortOrder, QList<int> order);
