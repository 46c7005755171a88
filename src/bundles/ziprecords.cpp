#include "bundles/ziprecords.h"

namespace {

constexpr quint32 plainMax = 0xffffffffu;
constexpr quint32 unixMadeBy = 3 << 8;
constexpr quint32 utf8Names = 0x0800;

void put16(QByteArray &out, quint32 value)
{
    out += char(value & 0xff);
    out += char((value >> 8) & 0xff);
}

void put32(QByteArray &out, quint32 value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

void put64(QByteArray &out, quint64 value)
{
    put32(out, quint32(value & plainMax));
    put32(out, quint32(value >> 32));
}

void centralEntry(QByteArray &out, const ZipRecord &entry, quint64 zip64From)
{
    const bool zip64 = entry.size >= zip64From || entry.offset >= zip64From;
    put32(out, 0x02014b50);
    put16(out, unixMadeBy | (zip64 ? 45 : 20));
    put16(out, zip64 ? 45 : 10);
    put16(out, utf8Names);
    put16(out, 0); // stored
    put32(out, entry.dosTime);
    put32(out, entry.crc);
    put32(out, zip64 ? plainMax : quint32(entry.size));
    put32(out, zip64 ? plainMax : quint32(entry.size));
    put16(out, quint32(entry.name.size()));
    put16(out, zip64 ? 28 : 0);
    put16(out, 0);              // comment
    put16(out, 0);              // disk
    put16(out, 0);              // internal attributes
    put32(out, 0100644u << 16); // a plain file, rw-r--r--
    put32(out, zip64 ? plainMax : quint32(entry.offset));
    out += entry.name;
    if (zip64) {
        put16(out, 0x0001);
        put16(out, 24);
        put64(out, entry.size);
        put64(out, entry.size);
        put64(out, entry.offset);
    }
}

// The ZIP64 end record and its locator, for a directory of `count` entries and `size` bytes at
// `start`.
void zip64End(QByteArray &out, quint64 count, quint64 size, quint64 start)
{
    const quint64 end = start + size;
    put32(out, 0x06064b50);
    put64(out, 44); // the size of the rest of this record
    put16(out, unixMadeBy | 45);
    put16(out, 45);
    put32(out, 0);
    put32(out, 0);
    put64(out, count);
    put64(out, count);
    put64(out, size);
    put64(out, start);
    put32(out, 0x07064b50);
    put32(out, 0);
    put64(out, end);
    put32(out, 1);
}

} // namespace

quint32 dosTime(const QDateTime &when)
{
    const bool fits = when.isValid() && when.date().year() >= 1980 && when.date().year() <= 2107;
    const QDateTime time = fits ? when : QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    const QDate d = time.date();
    const QTime t = time.time();
    return quint32((d.year() - 1980) << 25 | d.month() << 21 | d.day() << 16 | t.hour() << 11 |
                   t.minute() << 5 | t.second() / 2);
}

QByteArray localHeader(const ZipRecord &entry)
{
    QByteArray out;
    put32(out, 0x04034b50);
    put16(out, entry.zip64Local ? 45 : 10);
    put16(out, utf8Names);
    put16(out, 0); // stored
    put32(out, entry.dosTime);
    put32(out, entry.crc);
    put32(out, entry.zip64Local ? plainMax : quint32(entry.size));
    put32(out, entry.zip64Local ? plainMax : quint32(entry.size));
    put16(out, quint32(entry.name.size()));
    put16(out, entry.zip64Local ? 20 : 0);
    out += entry.name;
    if (entry.zip64Local) {
        put16(out, 0x0001);
        put16(out, 16);
        put64(out, entry.size);
        put64(out, entry.size);
    }
    return out;
}

QByteArray centralDirectory(const QList<ZipRecord> &entries, quint64 start, quint64 zip64From)
{
    QByteArray out;
    for (const ZipRecord &entry : entries)
        centralEntry(out, entry, zip64From);
    const quint64 size = quint64(out.size());
    const quint64 count = quint64(entries.size());
    const bool zip64 =
        start >= zip64From || size >= zip64From || count >= qMin(zip64From, 0xffffull);
    if (zip64)
        zip64End(out, count, size, start);
    put32(out, 0x06054b50);
    put32(out, 0); // this disk, the directory's disk
    put16(out, zip64 ? 0xffff : quint32(count));
    put16(out, zip64 ? 0xffff : quint32(count));
    put32(out, zip64 ? plainMax : quint32(size));
    put32(out, zip64 ? plainMax : quint32(start));
    put16(out, 0); // comment
    return out;
}
