#include "labels/zipentrydata.h"

#include <zlib.h>

namespace {

constexpr quint32 LocalSignature = 0x04034b50;
constexpr qint64 LocalHeaderSize = 30;
constexpr quint16 Stored = 0;
constexpr quint16 Deflated = 8;

using Result = Parsed<QByteArray>;

Result failed(const char *why)
{
    return Result::failed(QString::fromLatin1(why));
}

// Raw deflate data that must inflate to exactly `size` bytes.
Result inflated(QByteArrayView data, qint64 size)
{
    QByteArray out(size + 1, Qt::Uninitialized); // one byte more shows data that runs longer
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return failed("zlib could not start");
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = inflate(&stream, Z_FINISH);
    const qint64 produced = qint64(stream.total_out);
    inflateEnd(&stream);
    if (status != Z_STREAM_END || produced != size)
        return failed(produced > size ? "the entry inflates past its size"
                                      : "damaged deflate data");
    out.truncate(size);
    return {out, {}};
}

} // namespace

Parsed<QByteArray> entryData(QByteArrayView local, const ZipEntry &entry, qint64 cap)
{
    if (u32At(local, 0) != LocalSignature || !fits(local, 0, LocalHeaderSize))
        return failed("no local header where the directory points");
    const qint64 nameSize = u16At(local, 26);
    if (nameSize != entry.nameSize || !fits(local, LocalHeaderSize, nameSize) ||
        QString::fromUtf8(local.sliced(LocalHeaderSize, nameSize)) != entry.name)
        return failed("the local header names another entry");
    const qint64 dataStart = LocalHeaderSize + nameSize + u16At(local, 28);
    if (!fits(local, dataStart, entry.compressedSize))
        return failed("the entry's data was not read whole");
    if (entry.uncompressedSize > cap)
        return failed("the entry is larger than we read");
    const QByteArrayView data = local.sliced(dataStart, entry.compressedSize);
    Result content;
    if (entry.method == Stored && entry.compressedSize != entry.uncompressedSize)
        return failed("a stored entry whose two sizes differ");
    if (entry.method == Stored)
        content = {data.toByteArray(), {}};
    else if (entry.method == Deflated)
        content = inflated(data, entry.uncompressedSize);
    else
        return failed("an entry compressed in a way we do not read");
    if (content.ok() && crc32(0, reinterpret_cast<const Bytef *>(content.value.constData()),
                              uInt(content.value.size())) != entry.crc)
        return failed("the entry fails its CRC");
    return content;
}
