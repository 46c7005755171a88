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
constexpr quint32 NoString = 0xffffffff;

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

// The first attribute of a start element that `wanted` picks; none when none does. An error when
// the element's attributes do not fit in it.
template<typename Wanted>
Parsed<std::optional<QByteArrayView>> findAttribute(const ResChunk &element, Wanted wanted)
{
    using Found = Parsed<std::optional<QByteArrayView>>;
    const QByteArrayView ext = element.bytes.sliced(element.headerSize);
    if (!fits(ext, 0, AttrExtSize))
        return Found::failed(QStringLiteral("an element is too short"));
    const quint16 start = u16At(ext, 8);
    const quint16 size = u16At(ext, 10);
    const quint16 count = u16At(ext, 12);
    if (size < AttributeSize || !fits(ext, start, qint64(size) * count))
        return Found::failed(QStringLiteral("an element's attributes run past it"));
    for (quint16 i = 0; i < count; ++i) {
        const QByteArrayView attribute = ext.sliced(start + qint64(size) * i, AttributeSize);
        if (wanted(attribute))
            return {attribute, {}};
    }
    return {};
}

bool isNamed(const Document &doc, const ResChunk &element, const QString &name)
{
    return doc.pool.at(u32At(element.bytes, element.headerSize + 4)) == name;
}

// The document's string pool and resource map, and its first start element named `name`, if any.
struct Element
{
    Document doc;
    std::optional<ResChunk> chunk;
};

Parsed<Element> firstElement(QByteArrayView manifest, const QString &name)
{
    using Found = Parsed<Element>;
    const std::optional<ResChunk> xml = chunkAt(manifest, 0);
    if (!xml || xml->type != XmlType)
        return Found::failed(QStringLiteral("not binary XML"));
    const Parsed<QList<ResChunk>> chunks = childChunks(*xml);
    if (!chunks.ok())
        return Found::failed(chunks.error);
    Element found;
    bool havePool = false;
    for (const ResChunk &chunk : chunks.value) {
        if (chunk.type == StringPoolType && !havePool) {
            const Parsed<StringPool> pool = StringPool::read(chunk);
            if (!pool.ok())
                return Found::failed(pool.error);
            found.doc.pool = pool.value;
            havePool = true;
        } else if (chunk.type == ResourceMapType) {
            found.doc.resourceIds = chunk.bytes.sliced(chunk.headerSize);
        } else if (chunk.type == StartElementType && isNamed(found.doc, chunk, name)) {
            found.chunk = chunk;
            break;
        }
    }
    return {found, {}};
}

// An attribute's text: its raw string, as the package manager reads it, else a typed string.
std::optional<QString> attributeText(const Document &doc, QByteArrayView attribute)
{
    const quint32 raw = u32At(attribute, 8);
    if (raw != NoString)
        return doc.pool.at(raw);
    if (u8At(attribute, 15) != TypeString)
        return QString();
    return doc.pool.at(u32At(attribute, 16));
}

} // namespace

Parsed<ManifestLabel> readManifestLabel(QByteArrayView manifest)
{
    const Parsed<Element> application = firstElement(manifest, QStringLiteral("application"));
    if (!application.ok())
        return Result::failed(application.error);
    if (!application.value.chunk)
        return {};
    const Document &doc = application.value.doc;
    const Parsed<std::optional<QByteArrayView>> label =
        findAttribute(*application.value.chunk,
                      [&doc](QByteArrayView attribute) { return isLabel(doc, attribute); });
    if (!label.ok())
        return Result::failed(label.error);
    return label.value ? labelOf(doc, *label.value) : Result{};
}

Parsed<QString> readManifestPackage(QByteArrayView manifest)
{
    using Package = Parsed<QString>;
    const Parsed<Element> root = firstElement(manifest, QStringLiteral("manifest"));
    if (!root.ok())
        return Package::failed(root.error);
    if (!root.value.chunk)
        return {};
    const Document &doc = root.value.doc;
    // Not an android: attribute: it has no namespace, and is found by its name alone.
    const Parsed<std::optional<QByteArrayView>> package =
        findAttribute(*root.value.chunk, [&doc](QByteArrayView attribute) {
            return u32At(attribute, 0) == NoString &&
                   doc.pool.at(u32At(attribute, 4)) == QStringLiteral("package");
        });
    if (!package.ok())
        return Package::failed(package.error);
    if (!package.value)
        return {};
    const std::optional<QString> text = attributeText(doc, *package.value);
    if (!text)
        return Package::failed(QStringLiteral("the package's string is not in the pool"));
    return {*text, {}};
}
