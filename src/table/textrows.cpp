#include "table/textrows.h"

#include "text/utf8line.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cstring>

namespace {

using Cells = QVarLengthArray<QByteArrayView, 4>;

// Whether a cell of `size` bytes goes into a block that holds `used`: a cell must start inside
// its block, so that its start fits in the block's offsets.
bool fits(qsizetype used, qsizetype size)
{
    return used + size < TextRows::blockSize;
}

} // namespace

TextRows::TextRows(int columns, qsizetype blocksAtMost)
    : columns(std::max(columns, 1))
    , blockLimit(std::clamp<qsizetype>(blocksAtMost, 0, maxBlocks))
{}

void TextRows::appendRow(std::initializer_list<QByteArrayView> cells)
{
    if (qsizetype(cells.size()) == columns) {
        appendCells(cells.begin(), columns);
        return;
    }
    // Sized, a QVarLengthArray of views leaves them unset.
    Cells row(columns);
    std::fill(row.begin(), row.end(), QByteArrayView());
    std::copy_n(cells.begin(), std::min<qsizetype>(qsizetype(cells.size()), columns), row.begin());
    appendCells(row.constData(), columns);
}

void TextRows::append(const TextRows &more)
{
    refused += more.refused;
    if (more.columns != columns) {
        refused += more.rowCount();
        return;
    }
    Cells row(columns);
    for (qsizetype at = 0; at < more.rowCount(); ++at) {
        for (int column = 0; column < columns; ++column)
            row[column] = more.cell(at, column);
        appendCells(row.constData(), columns);
    }
}

void TextRows::appendCells(const QByteArrayView *cells, qsizetype count)
{
    // A row starts a block for each cell at most.
    if (blocks.size() + count > blockLimit &&
        blocks.size() + blocksFor(cells, count) > blockLimit) {
        ++refused;
        return;
    }
    for (qsizetype i = 0; i < count; ++i)
        place(cells[i]);
}

qsizetype TextRows::blocksFor(const QByteArrayView *cells, qsizetype count) const
{
    qsizetype used = blocks.isEmpty() ? blockSize : blocks.last().size();
    qsizetype started = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (!fits(used, cells[i].size())) {
            ++started;
            used = 0;
        }
        used += cells[i].size();
    }
    return started;
}

void TextRows::place(QByteArrayView cell)
{
    if (blocks.isEmpty() || !fits(blocks.last().size(), cell.size())) {
        blocks.append(QByteArray());
        blocks.last().reserve(std::max(cell.size(), blockSize));
    }
    QByteArray &block = blocks.last();
    const qsizetype used = block.size();
    starts.append(static_cast<quint32>((blocks.size() - 1) << blockBits | used));
    // Within the capacity reserved: cheaper than append(), which would be ready to grow.
    block.resize(used + cell.size());
    if (!cell.isEmpty())
        std::memcpy(block.data() + used, cell.data(), size_t(cell.size()));
}

QString TextRows::text(qsizetype row, int column) const
{
    return decodeLine(cell(row, column));
}

qsizetype TextRows::indexOf(int column, const QString &text) const
{
    const QByteArray wanted = text.toUtf8();
    for (qsizetype row = 0; row < rowCount(); ++row) {
        if (cell(row, column) == wanted)
            return row;
    }
    return -1;
}
