#include "caselessorder.h"

#include "textrows.h"

#include <QByteArrayView>
#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

char16_t foldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char16_t(c - 'A' + 'a') : char16_t(static_cast<uchar>(c));
}

int compareSizes(qsizetype a, qsizetype b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

int compareBytes(QByteArrayView a, QByteArrayView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    if (common > 0) {
        if (const int order = std::memcmp(a.data(), b.data(), size_t(common)))
            return order;
    }
    return compareSizes(a.size(), b.size());
}

// ASCII text `a`, folded as it is read, against text that is already folded.
int compareFolding(QByteArrayView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = foldAscii(a[i]);
        const char16_t y = b[i].unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return compareSizes(a.size(), b.size());
}

int compareFolding(QByteArrayView a, QByteArrayView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = foldAscii(a[i]);
        const char16_t y = foldAscii(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return compareSizes(a.size(), b.size());
}

} // namespace

CaselessOrder::CaselessOrder(const TextRows &rows, int column)
    : rows(rows)
    , column(column)
{
    kinds.reserve(rows.rowCount());
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        const QByteArrayView cell = rows.cell(row, column);
        Kind kind = Folded;
        for (const char c : cell) {
            if (static_cast<uchar>(c) >= 0x80) {
                kind = Other;
                break;
            }
            if (c >= 'A' && c <= 'Z')
                kind = Ascii;
        }
        if (kind == Other)
            folded.insert(row, rows.text(row, column).toCaseFolded());
        kinds.append(kind);
    }
}

int CaselessOrder::compare(qsizetype a, qsizetype b) const
{
    const Kind kindA = kinds.at(a);
    const Kind kindB = kinds.at(b);
    if (kindA == Folded && kindB == Folded)
        return compareBytes(rows.cell(a, column), rows.cell(b, column));
    if (kindA != Other && kindB != Other)
        return compareFolding(rows.cell(a, column), rows.cell(b, column));
    if (kindA == Other && kindB == Other)
        return QStringView(folded.value(a)).compare(folded.value(b));
    if (kindA == Other)
        return -compareFolding(rows.cell(b, column), folded.value(a));
    return compareFolding(rows.cell(a, column), folded.value(b));
}

QList<int> arranged(const TextRows &rows, int column, Qt::SortOrder sortOrder, QList<int> order)
{
    if (order.isEmpty()) {
        order.resize(rows.rowCount());
        std::iota(order.begin(), order.end(), 0);
    }
    const bool ascending = sortOrder == Qt::AscendingOrder;
    if (column < 0 || column >= rows.columnCount()) {
        if (ascending)
            std::sort(order.begin(), order.end());
        else
            std::sort(order.begin(), order.end(), std::greater<int>());
        return order;
    }
    const CaselessOrder caseless(rows, column);
    if (ascending)
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return caseless.compare(a, b) < 0; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return caseless.compare(b, a) < 0; });
    return order;
}
