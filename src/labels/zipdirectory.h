#pragma once

#include "labels/lebytes.h"

#include <QList>

// What the central directory of a ZIP says about one entry.
struct ZipEntry
{
    QString name;
    quint16 nameSize = 0; // the name's length in bytes, as stored
    quint16 method = 0;   // 0 stored, 8 deflated; others are listed but cannot be read
    quint32 crc = 0;
    quint32 compressedSize = 0;
    quint32 uncompressedSize = 0;
    quint32 localHeaderOffset = 0;
};

// Where the central directory of a ZIP lies, as its end record says.
struct ZipEnd
{
    qint64 directoryOffset = 0;
    qint64 directorySize = 0;
    quint16 entryCount = 0;
};

struct ZipDirectory
{
    ZipEnd end;
    QList<ZipEntry> entries;

    // The entry named `name`; none when there is none or there are two: an archive that holds two
    // manifests says two things, and the package installer refuses it.
    const ZipEntry *find(QStringView name) const;
};

// A byte range of the ZIP file to read.
struct ZipRange
{
    qint64 offset = 0;
    qint64 length = 0;
};

// The most a ZIP's tail must hold to contain its end record: the record and the longest comment.
constexpr qint64 ZipTailSize = 22 + 65535;

// The end record within `tail`, the last bytes of a ZIP file of `fileSize` bytes. An error when
// there is none, it describes a ZIP64 or multi-disk archive, or its directory does not fit before
// the record.
Parsed<ZipEnd> findZipEnd(QByteArrayView tail, qint64 fileSize);

// The entries of the central directory `directory` (end.directorySize bytes read from
// end.directoryOffset). An error when an entry does not fit in it, its count differs from the end
// record's, or an entry's data would run past the start of the directory.
Parsed<ZipDirectory> readCentralDirectory(QByteArrayView directory, const ZipEnd &end);

// The directory of the ZIP whose last bytes are `tail`, when the tail holds all of it, as it does
// for most APKs; otherwise an error, and the caller reads the range findZipEnd() gives.
Parsed<ZipDirectory> readZipDirectory(QByteArrayView tail, qint64 fileSize);

// The bytes to read for `entry`: its local header and its data. The local header's extra field
// may be longer than the central one (alignment padding), so the range reaches up to 64 KiB past
// the data, but never past the next entry's local header or the central directory: one read that
// holds the whole entry, which entryData() then finds within it.
ZipRange entryRange(const ZipDirectory &directory, const ZipEntry &entry);
