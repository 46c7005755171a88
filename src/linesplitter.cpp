#include "linesplitter.h"

void LineSplitter::feed(QByteArrayView chunk)
{
    pending.append(chunk);
    qsizetype start = 0;
    for (;;) {
        const qsizetype lf = pending.indexOf('\n', scanned);
        if (lf < 0)
            break;
        addLine(QByteArrayView(pending).sliced(start, lf - start), true);
        start = lf + 1;
        scanned = start;
    }
    // Only the unterminated tail is kept, so a long run of short chunks stays linear.
    pending.remove(0, start);
    scanned = pending.size();
}

QStringList LineSplitter::finish()
{
    if (!pending.isEmpty())
        addLine(pending, false);
    pending.clear();
    scanned = 0;
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
    // Checked, then decoded in one go: both take Qt's fast path for ASCII, where a decoder
    // object per line walks every byte on its own (most of the cost of a long listing).
    if (!line.isValidUtf8()) {
        ++dropped;
        return;
    }
    QString text = QString::fromUtf8(line);
    // fromUtf8 drops a BOM at the start; keep the bytes as they were.
    if (line.startsWith("\xEF\xBB\xBF"))
        text.prepend(QChar(0xFEFF));
    lines.append(std::move(text));
}
