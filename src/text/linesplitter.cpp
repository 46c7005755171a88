#include "text/linesplitter.h"

#include "text/utf8line.h"

const QList<QByteArrayView> &LineSplitter::linesIn(QByteArrayView chunk)
{
    batch.clear();
    qsizetype start = 0;
    if (!pending.isEmpty()) {
        const qsizetype lf = chunk.indexOf('\n');
        if (lf < 0) {
            pending.append(chunk);
            return batch;
        }
        // The only line copied: the rest are views of the chunk.
        joined.swap(pending);
        joined.append(chunk.first(lf));
        pending.clear();
        addLine(joined, true);
        start = lf + 1;
    }
    for (;;) {
        const qsizetype lf = chunk.indexOf('\n', start);
        if (lf < 0)
            break;
        addLine(chunk.sliced(start, lf - start), true);
        start = lf + 1;
    }
    // Only the unterminated tail is kept, so a long run of short chunks stays linear.
    pending.append(chunk.sliced(start));
    return batch;
}

const QList<QByteArrayView> &LineSplitter::linesAtEnd()
{
    batch.clear();
    if (!pending.isEmpty()) {
        joined = std::exchange(pending, {});
        addLine(joined, false);
    }
    return batch;
}

void LineSplitter::feed(QByteArrayView chunk)
{
    addText(linesIn(chunk));
}

QStringList LineSplitter::finish()
{
    addText(linesAtEnd());
    return std::exchange(lines, {});
}

QStringList LineSplitter::split(QByteArrayView bytes)
{
    LineSplitter splitter;
    splitter.feed(bytes);
    return splitter.finish();
}

void LineSplitter::addLine(QByteArrayView line, bool endedByLf)
{
    if (endedByLf && line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return;
    // Qt's check takes a fast path for ASCII; a decoder object per line walks every byte on its
    // own (most of the cost of a long listing once).
    if (!line.isValidUtf8()) {
        ++dropped;
        return;
    }
    batch.append(line);
}

void LineSplitter::addText(const QList<QByteArrayView> &taken)
{
    for (const QByteArrayView line : taken)
        lines.append(decodeLine(line));
}
