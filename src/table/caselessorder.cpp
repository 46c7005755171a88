#include "table/caselessorder.h"

#include "table/textrows.h"

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

// Eight bytes at a time: the cells of a long listing are read once for every sort.
CaselessOrder::Kind CaselessOrder::kindOf(QByteArrayView cell)
{
    constexpr quint64 ones = 0x0101010101010101;
    quint64 high = 0;     // bit 7 of each byte: not ASCII
    quint64 capitals = 0; // bit 7 of each byte: an ASCII capital
    const auto scan = [&](quint64 bytes) {
        const quint64 low = bytes & (0x7f * ones);
        // Bit 7 of each sum is set for a byte of at least 'A', then of more than 'Z'.
        const quint64 fromA = low + (0x80 - 'A') * ones;
        const quint64 pastZ = low + (0x80 - 'Z' - 1) * ones;
        high |= bytes;
        capitals |= fromA & ~pastZ & ~bytes;
    };
    qsizetype at = 0;
    for (; at + 8 <= cell.size(); at += 8) {
        quint64 bytes;
        std::memcpy(&bytes, cell.data() + at, 8);
        scan(bytes);
    }
    if (at < cell.size()) {
        quint64 tail = 0;
        std::memcpy(&tail, cell.data() + at, size_t(cell.size() - at));
        scan(tail);
    }
    if (high & (0x80 * ones))
        return Other;
    return capitals & (0x80 * ones) ? Ascii : Folded;
}

CaselessOrder::CaselessOrder(const TextRows &rows, int column)
    : rows(rows)
    , column(column)
{
    kinds.reserve(rows.rowCount());
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        const Kind kind = kindOf(rows.cell(row, column));
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
