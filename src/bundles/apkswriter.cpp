#include "bundles/apkswriter.h"

#include "bundles/xapkmanifest.h"
#include "bundles/ziprecords.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <zlib.h>

namespace {

constexpr qint64 chunkSize = 1024 * 1024;

// Why `name` cannot be an entry's name; empty when it can.
QString badName(const QString &name, const QSet<QString> &taken)
{
    if (name.isEmpty() || name.endsWith(QLatin1Char('/')) || climbsOut(name) ||
        name.contains(QLatin1Char('\\')) || name.toUtf8().size() > 1024)
        return QStringLiteral("The archive entry name \"%1\" is not a plain path.").arg(name);
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("An archive entry name holds a control character.");
    if (taken.contains(name))
        return QStringLiteral("The archive would hold \"%1\" twice.").arg(name);
    return {};
}

class Writer
{
public:
    Writer(const QString &target, const std::function<bool(qint64)> &progress, quint64 zip64From)
        : file(target)
        , progress(progress)
        , zip64From(zip64From)
    {}

    ApksWrite write(const QList<ApksEntry> &entries);

private:
    ApksWrite failed(const QString &why) { return {ApksWrite::Failed, why}; }
    ApksWrite entry(const ApksEntry &entry);
    ApksWrite stream(QIODevice &source, ZipRecord &entry);
    bool writeAll(const QByteArray &bytes) { return file.write(bytes) == bytes.size(); }
    QString writeError() const
    {
        return QStringLiteral("Could not write %1: %2").arg(file.fileName(), file.errorString());
    }

    QSaveFile file;
    const std::function<bool(qint64)> &progress;
    const quint64 zip64From;
    QList<ZipRecord> written;
    qint64 content = 0;
};

ApksWrite Writer::write(const QList<ApksEntry> &entries)
{
    if (entries.size() > 0xffff)
        return failed(QStringLiteral("Too many files for one archive."));
    QSet<QString> taken;
    for (const ApksEntry &entry : entries) {
        if (const QString why = badName(entry.name, taken); !why.isEmpty())
            return failed(why);
        taken.insert(entry.name);
    }
    if (!file.open(QIODevice::WriteOnly))
        return failed(writeError());
    for (const ApksEntry &one : entries) {
        if (const ApksWrite outcome = entry(one); outcome.result != ApksWrite::Written)
            return outcome;
    }
    if (!writeAll(centralDirectory(written, quint64(file.pos()), zip64From)) || !file.commit())
        return failed(writeError());
    return {ApksWrite::Written, {}};
}

ApksWrite Writer::entry(const ApksEntry &entry)
{
    ZipRecord done;
    done.name = entry.name.toUtf8();
    done.offset = quint64(file.pos());
    QFile source(entry.source);
    if (!entry.source.isEmpty() && !source.open(QIODevice::ReadOnly))
        return failed(
            QStringLiteral("Could not read %1: %2").arg(entry.source, source.errorString()));
    done.dosTime = dosTime(entry.source.isEmpty() ? QDateTime::currentDateTime()
                                                  : QFileInfo(source).lastModified());
    const qint64 expected = entry.source.isEmpty() ? entry.bytes.size() : source.size();
    done.zip64Local = quint64(expected) >= zip64From;
    if (!writeAll(localHeader(done)))
        return failed(writeError());
    QByteArray bytes = entry.bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const ApksWrite streamed =
        stream(entry.source.isEmpty() ? static_cast<QIODevice &>(buffer) : source, done);
    if (streamed.result != ApksWrite::Written)
        return streamed;
    if (!done.zip64Local && done.size >= zip64From) // it grew past what its header can say
        return failed(QStringLiteral("%1 changed while it was saved.").arg(entry.source));
    const qint64 end = file.pos();
    if (!file.seek(done.offset) || !writeAll(localHeader(done)) || !file.seek(end))
        return failed(writeError());
    written.append(done);
    return streamed;
}

ApksWrite Writer::stream(QIODevice &source, ZipRecord &entry)
{
    QByteArray chunk(chunkSize, Qt::Uninitialized);
    uLong crc = crc32(0, nullptr, 0);
    qint64 size = 0;
    for (;;) {
        const qint64 read = source.read(chunk.data(), chunkSize);
        if (read < 0)
            return failed(QStringLiteral("Could not read %1: %2")
                              .arg(QString::fromUtf8(entry.name), source.errorString()));
        if (read == 0)
            break;
        size += read;
        crc = crc32(crc, reinterpret_cast<const Bytef *>(chunk.constData()), uInt(read));
        if (file.write(chunk.constData(), read) != read)
            return failed(writeError());
        content += read;
        if (progress && !progress(content))
            return {ApksWrite::Cancelled, {}};
    }
    entry.crc = quint32(crc);
    entry.size = quint64(size);
    return {ApksWrite::Written, {}};
}

} // namespace

ApksWrite writeApks(const QString &target, const QList<ApksEntry> &entries,
                    const std::function<bool(qint64 written)> &progress, quint64 zip64From)
{
    Writer writer(target, progress, zip64From);
    return writer.write(entries); // an uncommitted QSaveFile removes its temporary file
}

QByteArray expansionManifest(const QString &package, qint64 versionCode,
                             const QStringList &apkNames, const QStringList &expansions)
{
    QJsonArray splits;
    for (const QString &name : apkNames) {
        QString id = name == QLatin1String("base.apk") ? QStringLiteral("base") : name;
        if (id.startsWith(QLatin1String("split_")))
            id = id.mid(6);
        if (id.endsWith(QLatin1String(".apk")))
            id.chop(4);
        splits.append(QJsonObject{{QStringLiteral("file"), name}, {QStringLiteral("id"), id}});
    }
    QJsonArray obbs;
    for (const QString &entry : expansions)
        obbs.append(
            QJsonObject{{QStringLiteral("file"), entry},
                        {QStringLiteral("install_location"), QStringLiteral("EXTERNAL_STORAGE")},
                        {QStringLiteral("install_path"), entry}});
    const QJsonObject root{{QStringLiteral("xapk_version"), 2},
                           {QStringLiteral("package_name"), package},
                           {QStringLiteral("version_code"), QString::number(versionCode)},
                           {QStringLiteral("split_apks"), splits},
                           {QStringLiteral("expansions"), obbs}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}
