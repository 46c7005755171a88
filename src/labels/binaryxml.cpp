#include "labels/binaryxml.h"

#include "labels/reschunk.h"
#include "labels/stringpool.h"

namespace {

constexpr quint16 XmlType = 0x0003;
constexpr quint16 StringPoolType = 0x0001;
constexpr quint16 ResourceMapType = 0x0180;
constexpr quint16 StartElementType = 0x0102;
constexpr quint32 LabelAttribute = 0x01010001;
constexpr quint8 TypeReference = 0x01;
constexpr quint8 TypeString = 0x03;
constexpr quint8 TypeDynamicReference = 0x07;
constexpr qint64 AttrExtSize = 20;
constexpr qint64 AttributeSize = 20;

using Result = Parsed<ManifestLabel>;

struct Document
{
    StringPool pool;
    QByteArrayView resourceIds;
};

bool isLabel(const Document &doc, QByteArrayView attribute)
{
    const quint32 name = u32At(attribute, 4);
    if (fits(doc.resourceIds, qint64(name) * 4, 4))
        return u32At(doc.resourceIds, qint64(name) * 4) == LabelAttribute;
    static const QString androidNs = QStringLiteral("http://schemas.android.com/apk/res/android");
    return doc.pool.at(name) == QStringLiteral("label") &&
           doc.pool.at(u32At(attribute, 0)) == androidNs;
}

Result labelOf(const Document &doc, QByteArrayView attribute)
{
    const quint8 dataType = u8At(attribute, 15);
    const quint32 data = u32At(attribute, 16);
    if (dataType == TypeReference || dataType == TypeDynamicReference)
        return {{ManifestLabel::Reference, {}, data}, {}};
    if (dataType != TypeString)
        return {{ManifestLabel::NotText, {}, 0}, {}};
    const std::optional<QString> text = doc.pool.at(data);
    if (!text)
        return Result::failed(QStringLiteral("the label's string is not in the pool"));
    return {{ManifestLabel::Text, *text, 0}, {}};
}

// The label among the attributes of a start element; None when it has none.
Result labelIn(const Document &doc, const ResChunk &element)
{
    const QByteArrayView ext = element.bytes.sliced(element.headerSize);
    if (!fits(ext, 0, AttrExtSize))
        return Result::failed(QStringLiteral("an element is too short"));
    const quint16 start = u16At(ext, 8);
    const quint16 size = u16At(ext, 10);
    const quint16 count = u16At(ext, 12);
    if (size < AttributeSize || !fits(ext, start, qint64(size) * count))
        return Result::failed(QStringLiteral("an element's attributes run past it"));
    for (quint16 i = 0; i < count; ++i) {
        const QByteArrayView attribute = ext.sliced(start + qint64(size) * i, AttributeSize);
        if (isLabel(doc, attribute))
            return labelOf(doc, attribute);
    }
    return {};
}

bool isApplication(const Document &doc, const ResChunk &element)
{
    return doc.pool.at(u32At(element.bytes, element.headerSize + 4)) ==
           QStringLiteral("application");
}

} // namespace

Parsed<ManifestLabel> readManifestLabel(QByteArrayView manifest)
{
    const std::optional<ResChunk> xml = chunkAt(manifest, 0);
    if (!xml || xml->type != XmlType)
        return Result::failed(QStringLiteral("not binary XML"));
    const Parsed<QList<ResChunk>> chunks = childChunks(*xml);
    if (!chunks.ok())
        return Result::failed(chunks.error);
    Document doc;
    bool havePool = false;
    for (const ResChunk &chunk : chunks.value) {
        if (chunk.type == StringPoolType && !havePool) {
            const Parsed<StringPool> pool = StringPool::read(chunk);
            if (!pool.ok())
                return Result::failed(pool.error);
            doc.pool = pool.value;
            havePool = true;
        } else if (chunk.type == ResourceMapType) {
            doc.resourceIds = chunk.bytes.sliced(chunk.headerSize);
        } else if (chunk.type == StartElementType && isApplication(doc, chunk)) {
            return labelIn(doc, chunk);
        }
    }
    return {};
}
