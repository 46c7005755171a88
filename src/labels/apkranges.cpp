#include "labels/apkranges.h"

#include "labels/lebytes.h"
#include "text/shellquote.h"

namespace {

constexpr qint64 block = 4096;

} // namespace

BlockRead blockRead(const QString &path, ZipRange range, qint64 fileSize)
{
    const qint64 end = std::clamp<qint64>(range.offset + range.length, 0, fileSize);
    const qint64 skip = std::clamp<qint64>(range.offset, 0, end) / block;
    const qint64 count = (end + block - 1) / block - skip;
    BlockRead read;
    read.start = skip * block;
    // dd prints whole blocks, the last one cut by the end of the file.
    read.length = std::max<qint64>(0, std::min((skip + count) * block, fileSize) - read.start);
    read.command = QStringLiteral("dd if=%1 bs=%2 skip=%3 count=%4 2>/dev/null")
                       .arg(shellQuoted(path))
                       .arg(block)
                       .arg(skip)
                       .arg(count);
    return read;
}

ZipRange tailRange(qint64 fileSize)
{
    const qint64 from = std::max<qint64>(0, fileSize - ZipTailSize);
    return {from, fileSize - from};
}

std::optional<QList<QByteArray>> splitReads(const QByteArray &printed,
                                            const QList<BlockRead> &reads)
{
    QList<QByteArray> parts;
    qint64 at = 0;
    for (const BlockRead &read : reads) {
        if (!fits(printed, at, read.length))
            return std::nullopt;
        parts.append(printed.mid(at, read.length));
        at += read.length;
    }
    if (at != printed.size())
        return std::nullopt;
    return parts;
}

QByteArrayView cutRange(QByteArrayView printed, const BlockRead &read, ZipRange range)
{
    const qint64 at = range.offset - read.start;
    if (!fits(printed, at, range.length))
        return {};
    return printed.sliced(at, range.length);
}

QStringList execOutArguments(const QList<BlockRead> &reads)
{
    QStringList commands;
    for (const BlockRead &read : reads)
        commands.append(read.command);
    return {QStringLiteral("exec-out"), commands.join(QStringLiteral("; "))};
}
