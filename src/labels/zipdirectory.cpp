#include "labels/zipdirectory.h"

#include <optional>

namespace {

constexpr quint32 EndSignature = 0x06054b50;
constexpr quint32 EntrySignature = 0x02014b50;
constexpr qint64 EndSize = 22;
constexpr qint64 EntrySize = 46;
constexpr qint64 LocalHeaderSize = 30;
constexpr qint64 LocalExtraMargin = 0xffff;

template<typename T> Parsed<T> failed(const char *why)
{
    return Parsed<T>::failed(QString::fromLatin1(why));
}

// The last end record in `tail` whose comment reaches exactly to the end: a record-like run of
// bytes inside a comment does not.
qint64 endRecordAt(QByteArrayView tail)
{
    for (qint64 at = tail.size() - EndSize; at >= 0; --at) {
        if (u32At(tail, at) == EndSignature && at + EndSize + u16At(tail, at + 20) == tail.size())
            return at;
    }
    return -1;
}

// The entry at `at` in the directory, and where the next one starts; none when it does not fit.
std::optional<ZipEntry> entryAt(QByteArrayView directory, qint64 &at)
{
    if (!fits(directory, at, EntrySize) || u32At(directory, at) != EntrySignature)
        return std::nullopt;
    const qint64 nameLength = u16At(directory, at + 28);
    const qint64 variable = nameLength + u16At(directory, at + 30) + u16At(directory, at + 32);
    if (!fits(directory, at + EntrySize, variable))
        return std::nullopt;
    ZipEntry entry;
    entry.name = QString::fromUtf8(directory.sliced(at + EntrySize, nameLength));
    entry.nameSize = quint16(nameLength);
    entry.method = u16At(directory, at + 10);
    entry.crc = u32At(directory, at + 16);
    entry.compressedSize = u32At(directory, at + 20);
    entry.uncompressedSize = u32At(directory, at + 24);
    entry.localHeaderOffset = u32At(directory, at + 42);
    at += EntrySize + variable;
    return entry;
}

bool isZip64(const ZipEntry &entry)
{
    return entry.compressedSize == 0xffffffff || entry.uncompressedSize == 0xffffffff ||
           entry.localHeaderOffset == 0xffffffff;
}

} // namespace

const ZipEntry *ZipDirectory::find(QStringView name) const
{
    const ZipEntry *found = nullptr;
    for (const ZipEntry &entry : entries) {
        if (entry.name == name && found)
            return nullptr;
        if (entry.name == name)
            found = &entry;
    }
    return found;
}

Parsed<ZipEnd> findZipEnd(QByteArrayView tail, qint64 fileSize)
{
    const qint64 at = endRecordAt(tail);
    if (at < 0 || tail.size() > fileSize)
        return failed<ZipEnd>("no ZIP end record");
    const quint16 count = u16At(tail, at + 10);
    const quint32 size = u32At(tail, at + 12);
    const quint32 offset = u32At(tail, at + 16);
    if (count == 0xffff || size == 0xffffffff || offset == 0xffffffff)
        return failed<ZipEnd>("a ZIP64 archive");
    if (u16At(tail, at + 4) != 0 || u16At(tail, at + 6) != 0 || u16At(tail, at + 8) != count)
        return failed<ZipEnd>("a ZIP split over several disks");
    const qint64 endOffset = fileSize - tail.size() + at;
    if (qint64(offset) + size > endOffset || qint64(count) * EntrySize > size)
        return failed<ZipEnd>("the ZIP directory does not fit before its end record");
    return {{offset, size, count}, {}};
}

Parsed<ZipDirectory> readCentralDirectory(QByteArrayView directory, const ZipEnd &end)
{
    if (directory.size() != end.directorySize)
        return failed<ZipDirectory>("the ZIP directory was not read whole");
    ZipDirectory result{end, {}};
    qint64 at = 0;
    for (int i = 0; i < end.entryCount; ++i) {
        const std::optional<ZipEntry> entry = entryAt(directory, at);
        if (!entry)
            return failed<ZipDirectory>("a ZIP directory entry does not fit");
        if (isZip64(*entry))
            return failed<ZipDirectory>("a ZIP64 entry");
        const qint64 dataEnd = qint64(entry->localHeaderOffset) + LocalHeaderSize +
                               entry->nameSize + entry->compressedSize;
        if (dataEnd > end.directoryOffset)
            return failed<ZipDirectory>("a ZIP entry runs into the directory");
        result.entries.append(*entry);
    }
    return {result, {}};
}

Parsed<ZipDirectory> readZipDirectory(QByteArrayView tail, qint64 fileSize)
{
    const Parsed<ZipEnd> end = findZipEnd(tail, fileSize);
    if (!end.ok())
        return Parsed<ZipDirectory>::failed(end.error);
    const qint64 tailOffset = fileSize - tail.size();
    if (end.value.directoryOffset < tailOffset)
        return failed<ZipDirectory>("the ZIP directory starts before the tail that was read");
    return readCentralDirectory(
        tail.sliced(end.value.directoryOffset - tailOffset, end.value.directorySize), end.value);
}

ZipRange entryRange(const ZipDirectory &directory, const ZipEntry &entry)
{
    const qint64 start = entry.localHeaderOffset;
    qint64 end = directory.end.directoryOffset;
    for (const ZipEntry &other : directory.entries) {
        if (other.localHeaderOffset > start && other.localHeaderOffset < end)
            end = other.localHeaderOffset;
    }
    end = qMin(end,
               start + LocalHeaderSize + entry.nameSize + LocalExtraMargin + entry.compressedSize);
    return {start, qMax<qint64>(0, end - start)};
}
