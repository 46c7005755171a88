#include "labels/reschunk.h"

std::optional<ResChunk> chunkAt(QByteArrayView parent, qint64 at)
{
    if (!fits(parent, at, 8))
        return std::nullopt;
    const quint16 headerSize = u16At(parent, at + 2);
    const quint32 size = u32At(parent, at + 4);
    if (headerSize < 8 || size < headerSize || !fits(parent, at, size))
        return std::nullopt;
    return ResChunk{u16At(parent, at), headerSize, parent.sliced(at, size)};
}

Parsed<QList<ResChunk>> childChunks(const ResChunk &parent)
{
    QList<ResChunk> children;
    for (qint64 at = parent.headerSize; at < parent.bytes.size();) {
        const std::optional<ResChunk> child = chunkAt(parent.bytes, at);
        if (!child)
            return Parsed<QList<ResChunk>>::failed(
                QStringLiteral("a chunk at %1 runs past its parent").arg(at));
        children.append(*child);
        at += child->bytes.size();
    }
    return {children, {}};
}
