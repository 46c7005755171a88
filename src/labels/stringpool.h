#pragma once

#include "labels/reschunk.h"

#include <optional>

// A string pool (chunk type 0x0001) of a binary manifest or a resource table, UTF-8 or UTF-16.
// Strings are decoded when asked for, so a table of many thousands costs nothing to open. It views
// the bytes it was read from: they must outlive it.
class StringPool
{
public:
    // The pool in `chunk`; an error when its header is short or its offsets do not fit in it.
    static Parsed<StringPool> read(const ResChunk &chunk);

    quint32 count() const { return stringCount; }
    // String `index`; none when the index is past the pool or the string's lengths do not fit.
    std::optional<QString> at(quint32 index) const;

private:
    std::optional<QString> utf8At(qint64 at) const;
    std::optional<QString> utf16At(qint64 at) const;

    QByteArrayView strings; // from the first string's start to the pool's styles or end
    QByteArrayView offsets;
    quint32 stringCount = 0;
    bool utf8 = false;
};
