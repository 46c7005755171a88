#pragma once

#include "labels/zipdirectory.h"

#include <QByteArray>

// The uncompressed content of `entry` from `local`, the bytes read from entryRange()'s offset.
// Stored or deflated; an error for other methods, a local header that names another entry, data
// that does not fit, inflates past its declared size or past `cap` bytes, or fails its CRC.
Parsed<QByteArray> entryData(QByteArrayView local, const ZipEntry &entry, qint64 cap);
