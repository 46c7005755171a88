#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <utility>

// Turns a tool's standard output, read in chunks of any size, into its lines.
//
// A line ends at LF; a CR right before that LF belongs to the line end, so CR LF and LF output
// give the same lines. A CR anywhere else stays in the line. The unterminated tail of a chunk is
// kept and joined to the next one, so how the bytes were cut never changes the result. Empty lines
// are dropped; nothing is trimmed. Each complete line is decoded as UTF-8 on its own: a line that
// is not valid UTF-8 is dropped and counted, the others are kept.
class LineSplitter
{
public:
    // Appends the lines that `chunk` completes.
    void feed(QByteArrayView chunk);
    // Hands over the complete lines not yet handed over; the tail stays for the next chunk.
    QStringList takeLines() { return std::exchange(lines, {}); }
    // Ends the output: a non-empty tail becomes the last line. Hands over all lines not yet
    // handed over.
    QStringList finish();
    // How many lines were dropped as invalid UTF-8.
    qsizetype droppedLines() const { return dropped; }

    // Convenience for output that is already complete.
    static QStringList split(QByteArrayView bytes);

private:
    void addLine(QByteArrayView line, bool endedByLf);

    QByteArray pending;
    qsizetype scanned = 0; // bytes of `pending` already known to hold no LF
    QStringList lines;
    qsizetype dropped = 0;
};
