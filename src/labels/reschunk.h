#pragma once

#include "labels/lebytes.h"

#include <QList>
#include <optional>

// The chunk every part of a binary manifest and of a resource table is made of:
// { u16 type; u16 headerSize; u32 size } and then its header's rest and its body.
struct ResChunk
{
    quint16 type = 0;
    quint16 headerSize = 0;
    QByteArrayView bytes; // the whole chunk, header included
};

// The chunk at `at` within `parent`; none when its header is short, its header size is smaller
// than 8 or larger than the chunk, or its size runs past `parent`.
std::optional<ResChunk> chunkAt(QByteArrayView parent, qint64 at);

// The chunks that follow `parent`'s header back to back up to its end; an error when one of them
// does not fit.
Parsed<QList<ResChunk>> childChunks(const ResChunk &parent);
