#include "ziparchive.h"

#include <QFile>
#include <QtEndian>
#include <zip.h>

namespace {

void put32(QByteArray &bytes, quint32 value)
{
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}

void put16(QByteArray &bytes, quint16 value)
{
    char raw[2];
    qToLittleEndian(value, raw);
    bytes.append(raw, 2);
}

QByteArray chunk(quint16 type, const QByteArray &header, const QByteArray &body)
{
    QByteArray bytes;
    put16(bytes, type);
    put16(bytes, quint16(8 + header.size()));
    put32(bytes, quint32(8 + header.size() + body.size()));
    return bytes + header + body;
}

// Short ASCII strings only: each length fits in one byte.
QByteArray utf8Pool(const QList<QByteArray> &strings)
{
    QByteArray offsets, data;
    for (const QByteArray &text : strings) {
        put32(offsets, quint32(data.size()));
        data += char(text.size()) + (char(text.size()) + text) + '\0';
    }
    data.append((4 - data.size() % 4) % 4, '\0');
    QByteArray header;
    for (quint32 value : {quint32(strings.size()), 0u, 0x100u, quint32(28 + offsets.size()), 0u})
        put32(header, value);
    return chunk(0x0001, header, offsets + data);
}

} // namespace

QByteArray binaryManifest(const QString &package)
{
    QByteArray element, attribute;
    for (quint32 value : {0xffffffffu, 1u}) // no namespace, "manifest"
        put32(element, value);
    for (quint16 value : {20, 20, 1, 0, 0, 0}) // attributes at 20, 20 bytes each, one
        put16(element, value);
    // No namespace, "package", raw string 2, a string value of string 2.
    for (quint32 value : {0xffffffffu, 0u, 2u, 0x03000008u, 2u})
        put32(attribute, value);
    const QByteArray node = QByteArray::fromHex("01000000ffffffff"); // line 1, no comment
    return chunk(0x0003, {},
                 utf8Pool({"package", "manifest", package.toLatin1()}) +
                     chunk(0x0102, node, element + attribute));
}

bool writeZip(const QString &path, const ZipEntries &entries, bool compressed)
{
    int error = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    for (const auto &[name, content] : entries) {
        // The content stays alive until zip_close(), which is when it is read.
        zip_source_t *source =
            zip_source_buffer(archive, content.constData(), quint64(content.size()), 0);
        const zip_int64_t index = source ? zip_file_add(archive, name.toUtf8().constData(), source,
                                                        ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE)
                                         : -1;
        if (index < 0)
            zip_source_free(source); // still ours: the archive took it only on success
        if (index < 0 ||
            zip_set_file_compression(archive, quint64(index),
                                     compressed ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) < 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}
