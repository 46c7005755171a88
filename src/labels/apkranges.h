#pragma once

#include "labels/zipdirectory.h"

#include <QByteArray>
#include <QList>
#include <optional>

// Byte ranges of an APK on the device, read by the device's shell through "adb exec-out": whole
// blocks with dd, which every Android from 5 on has, and the wanted bytes cut out here.
struct BlockRead
{
    QString command;   // for the device's shell, the path quoted, standard error silenced
    qint64 start = 0;  // the file offset of the first byte it prints
    qint64 length = 0; // how many bytes it prints when the file is as large as expected
};

// The read of `range` of the file `path`, `fileSize` bytes long: from the 4 KiB block that holds
// its start to the whole block that holds its end, or the end of the file.
BlockRead blockRead(const QString &path, ZipRange range, qint64 fileSize);

// The range of a file of `fileSize` bytes that holds its ZIP end record.
ZipRange tailRange(qint64 fileSize);

// The output of `reads` joined with ';' in one run, split back into each read's bytes; none when
// the output is not exactly as long as they add up to (a file that could not be read prints
// nothing, which would shift every read after it).
std::optional<QList<QByteArray>> splitReads(const QByteArray &printed,
                                            const QList<BlockRead> &reads);

// The bytes of `range` within what `read` printed; empty when they are not all there.
QByteArrayView cutRange(QByteArrayView printed, const BlockRead &read, ZipRange range);

// The arguments for the tool that run `reads` in one "exec-out".
QStringList execOutArguments(const QList<BlockRead> &reads);
