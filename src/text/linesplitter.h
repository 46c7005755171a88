#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <utility>

// Turns a tool's standard output, read in chunks of any size, into its lines.
//
// A line ends at LF; a CR right before that LF belongs to the line end, so CR LF and LF output
// give the same lines. A CR anywhere else stays in the line. The unterminated tail of a chunk is
// kept and joined to the next one, so how the bytes were cut never changes the result. Empty lines
// are dropped; nothing is trimmed. Each complete line is checked as UTF-8 on its own: a line that
// is not valid UTF-8 is dropped and counted, the others are kept.
//
// The lines come as text (feed, takeLines, finish), or as the bytes they are made of, a batch per
// chunk (linesIn, linesAtEnd), for a reader that keeps them compactly.
class LineSplitter
{
public:
    // The lines that `chunk` completes, as views of their bytes without the line end; valid until
    // the next call to linesIn() or linesAtEnd(), and only while `chunk`'s bytes are.
    const QList<QByteArrayView> &linesIn(QByteArrayView chunk);
    // Ends the output: a non-empty tail becomes the last line. Valid as linesIn()'s lines are.
    const QList<QByteArrayView> &linesAtEnd();

    // Appends the lines that `chunk` completes, as text.
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
    void addText(const QList<QByteArrayView> &batch);

    QByteArray pending; // the unterminated tail, which holds no LF
    QByteArray joined;  // the tail of the previous chunk and the start of this one, as one line
    QList<QByteArrayView> batch;
    QStringList lines;
    qsizetype dropped = 0;
};
