#include "labels/stringpool.h"

namespace {

constexpr quint16 StringPoolType = 0x0001;
constexpr quint32 Utf8Flag = 0x100;

// A UTF-8 pool's length: one byte, or two when the first has its high bit set.
qint64 utf8Length(QByteArrayView bytes, qint64 &at)
{
    const quint8 first = u8At(bytes, at++);
    if (!(first & 0x80))
        return first;
    return qint64(first & 0x7f) << 8 | u8At(bytes, at++);
}

} // namespace

Parsed<StringPool> StringPool::read(const ResChunk &chunk)
{
    const QByteArrayView bytes = chunk.bytes;
    if (chunk.type != StringPoolType || chunk.headerSize < 28)
        return Parsed<StringPool>::failed(QStringLiteral("not a string pool"));
    StringPool pool;
    pool.stringCount = u32At(bytes, 8);
    pool.utf8 = u32At(bytes, 16) & Utf8Flag;
    const quint32 stringsStart = u32At(bytes, 20);
    const quint32 stylesStart = u32At(bytes, 24);
    if (!fits(bytes, chunk.headerSize, qint64(pool.stringCount) * 4))
        return Parsed<StringPool>::failed(QStringLiteral("string offsets run past the pool"));
    pool.offsets = bytes.sliced(chunk.headerSize, qint64(pool.stringCount) * 4);
    if (pool.stringCount == 0)
        return {pool, {}};
    if (stringsStart < chunk.headerSize || stringsStart > bytes.size())
        return Parsed<StringPool>::failed(QStringLiteral("strings start outside the pool"));
    const qint64 end =
        stylesStart > stringsStart && stylesStart <= bytes.size() ? stylesStart : bytes.size();
    pool.strings = bytes.sliced(stringsStart, end - stringsStart);
    return {pool, {}};
}

std::optional<QString> StringPool::at(quint32 index) const
{
    if (index >= stringCount)
        return std::nullopt;
    const qint64 at = u32At(offsets, qint64(index) * 4);
    if (!fits(strings, at, 1))
        return std::nullopt;
    return utf8 ? utf8At(at) : utf16At(at);
}

std::optional<QString> StringPool::utf8At(qint64 at) const
{
    utf8Length(strings, at); // the length in UTF-16 units, which decoding gives anyway
    const qint64 length = utf8Length(strings, at);
    if (!fits(strings, at, length))
        return std::nullopt;
    return QString::fromUtf8(strings.sliced(at, length));
}

std::optional<QString> StringPool::utf16At(qint64 at) const
{
    qint64 length = u16At(strings, at);
    at += 2;
    if (length & 0x8000) {
        length = (length & 0x7fff) << 16 | u16At(strings, at);
        at += 2;
    }
    if (!fits(strings, at, length * 2))
        return std::nullopt;
    QString text(length, Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i)
        text[i] = QChar(u16At(strings, at + 2 * i));
    return text;
}
