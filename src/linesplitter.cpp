#include "linesplitter.h"

#include <QStringDecoder>

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
    // Stateless: a sequence cut at the end of the line is an error, not state for the next one.
    // ConvertInitialBom: keep the bytes as they were, even a BOM at the start of a line.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(line);
    if (decoder.hasError()) {
        ++dropped;
        return;
    }
    lines.append(std::move(text));
}
