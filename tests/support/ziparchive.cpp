#include "ziparchive.h"

#include <QFile>
#include <zip.h>

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
