#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <initializer_list>

// Rows of text cells, a fixed number to a row, kept as compactly as a list of names can be: the
// cells' UTF-8 bytes one after another in blocks of 64 KiB, and where each cell starts. A listing
// of 100,000 package files takes little more than its text, where a string per cell would take
// three times as much and an allocation each. Blocks, rather than one buffer that doubles as it
// grows, never hold the text twice while it is copied to a larger one.
class TextRows
{
public:
    static constexpr int blockBits = 16;
    static constexpr qsizetype blockSize = qsizetype(1) << blockBits;
    // The most blocks a list holds, about 4 GiB of text: a row that would need more is left out
    // and counted, so that where a cell starts always fits in 32 bits.
    static constexpr qsizetype maxBlocks = qsizetype(1) << (32 - blockBits);

    // `blocksAtMost` lowers the limit, for tests.
    explicit TextRows(int columns = 1, qsizetype blocksAtMost = maxBlocks);

    int columnCount() const { return columns; }
    qsizetype rowCount() const { return starts.size() / columns; }
    bool isEmpty() const { return starts.isEmpty(); }

    // Adds a row of columnCount() cells (missing ones are empty, extra ones ignored), each valid
    // UTF-8 (see LineSplitter), unless the list is full.
    void appendRow(std::initializer_list<QByteArrayView> cells);
    // Adds the rows of `more`, which has as many columns, while the list is not full.
    void append(const TextRows &more);
    // How many rows were left out because the list was full.
    qsizetype leftOut() const { return refused; }

    // The bytes of the cell at `row`, `column`; both must be in range.
    QByteArrayView cell(qsizetype row, int column) const
    {
        const qsizetype at = row * columns + column;
        const quint32 start = starts.at(at);
        const QByteArray &block = blocks.at(start >> blockBits);
        const qsizetype from = start & (blockSize - 1);
        // A cell ends where the next one starts, or with its block.
        qsizetype to = block.size();
        if (at + 1 < starts.size() && starts.at(at + 1) >> blockBits == start >> blockBits)
            to = starts.at(at + 1) & (blockSize - 1);
        return QByteArrayView(block.constData() + from, to - from);
    }
    // The cell's text, as LineSplitter gives it.
    QString text(qsizetype row, int column) const;
    // The first row whose cell in `column` holds exactly `text`; -1 when none does.
    qsizetype indexOf(int column, const QString &text) const;

private:
    void appendCells(const QByteArrayView *cells, qsizetype count);
    // How many blocks adding `cells` would start.
    qsizetype blocksFor(const QByteArrayView *cells, qsizetype count) const;
    void place(QByteArrayView cell);

    int columns;
    qsizetype blockLimit;
    qsizetype refused = 0;
    // A block holds whole cells; a cell too large for one has a block of its own.
    QList<QByteArray> blocks;
    QList<quint32> starts; // of each cell, row after row: block << blockBits | offset in it
};
