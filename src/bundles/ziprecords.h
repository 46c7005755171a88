#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>

// The records of a ZIP archive of stored entries (PKWARE's APPNOTE), for writing one as a stream.

// Offsets and sizes from which ZIP64 records are needed: the plain records hold 32 bits, and their
// largest value means "see the ZIP64 record".
constexpr quint64 zip64Needed = 0xffffffffu;

// What the records say of one stored entry.
struct ZipRecord
{
    QByteArray name; // UTF-8
    quint32 crc = 0;
    quint64 size = 0;
    quint64 offset = 0;      // of its local header
    quint32 dosTime = 0;     // date in the high 16 bits
    bool zip64Local = false; // its local header carries the sizes in a ZIP64 field
};

// The MS-DOS time of `when`, 1980-01-01 for what it cannot hold.
quint32 dosTime(const QDateTime &when);

// The local header of `entry`, the same length whatever its CRC and size, so that it can be
// written before the content and again after it.
QByteArray localHeader(const ZipRecord &entry);

// The central directory of `entries` written from `start`, and the end records. An offset, size
// or count of `zip64From` or more is written in ZIP64 records (their plain field saying so).
QByteArray centralDirectory(const QList<ZipRecord> &entries, quint64 start,
                            quint64 zip64From = zip64Needed);
