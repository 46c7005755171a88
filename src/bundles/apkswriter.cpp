#include "bundles/apkswriter.h"

#include "bundles/xapkmanifest.h"

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
constexpr qint64 zipLimit = 0xffffffffLL; // offsets and sizes are 32 bits without ZIP64
constexpr int localHeaderSize = 30;

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

// What the central directory needs to know of an entry once it is written.
struct Written
{
    QByteArray name; // UTF-8
    quint32 crc = 0;
    quint32 size = 0;
    quint32 offset = 0;
    quint32 dosTime = 0; // date in the high 16 bits
};

quint32 dosTime(const QDateTime &when)
{
    const QDateTime time = when.isValid() && when.date().year() >= 1980
                               ? when
                               : QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    const QDate d = time.date();
    const QTime t = time.time();
    return quint32((d.year() - 1980) << 25 | d.month() << 21 | d.day() << 16 | t.hour() << 11 |
                   t.minute() << 5 | t.second() / 2);
}

// The local header with the CRC and sizes of `entry`; written with zeros first, then again once
// the content has been streamed and they are known.
QByteArray localHeader(const Written &entry)
{
    QByteArray out;
    put32(out, 0x04034b50);
    put16(out, 10);     // version needed: stored
    put16(out, 0x0800); // names in UTF-8
    put16(out, 0);      // stored
    put32(out, entry.dosTime);
    put32(out, entry.crc);
    put32(out, entry.size);
    put32(out, entry.size);
    put16(out, quint32(entry.name.size()));
    put16(out, 0);
    return out + entry.name;
}

QByteArray centralDirectory(const QList<Written> &entries, qint64 start)
{
    QByteArray out;
    for (const Written &entry : entries) {
        put32(out, 0x02014b50);
        put16(out, 3 << 8 | 20); // made by: Unix, 2.0
        put16(out, 10);
        put16(out, 0x0800);
        put16(out, 0);
        put32(out, entry.dosTime);
        put32(out, entry.crc);
        put32(out, entry.size);
        put32(out, entry.size);
        put16(out, quint32(entry.name.size()));
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put32(out, 0100644u << 16); // a plain file, rw-r--r--
        put32(out, entry.offset);
        out += entry.name;
    }
    const qint64 size = out.size();
    put32(out, 0x06054b50);
    put32(out, 0);
    put16(out, quint32(entries.size()));
    put16(out, quint32(entries.size()));
    put32(out, quint32(size));
    put32(out, quint32(start));
    put16(out, 0);
    return out;
}

QString tooLarge()
{
    return QStringLiteral("The files total 4 GB or more, more than an archive holds.");
}

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
    Writer(const QString &target, const std::function<bool(qint64)> &progress)
        : file(target)
        , progress(progress)
    {}

    ApksWrite write(const QList<ApksEntry> &entries);

private:
    ApksWrite failed(const QString &why) { return {ApksWrite::Failed, why}; }
    ApksWrite entry(const ApksEntry &entry);
    ApksWrite stream(QIODevice &source, Written &entry);
    bool writeAll(const QByteArray &bytes) { return file.write(bytes) == bytes.size(); }
    QString writeError() const
    {
        return QStringLiteral("Could not write %1: %2").arg(file.fileName(), file.errorString());
    }

    QSaveFile file;
    const std::function<bool(qint64)> &progress;
    QList<Written> written;
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
    const qint64 start = file.pos();
    const QByteArray directory = centralDirectory(written, start);
    if (start + directory.size() >= zipLimit)
        return failed(tooLarge());
    if (!writeAll(directory) || !file.commit())
        return failed(writeError());
    return {ApksWrite::Written, {}};
}

ApksWrite Writer::entry(const ApksEntry &entry)
{
    Written done;
    done.name = entry.name.toUtf8();
    done.offset = quint32(file.pos());
    QFile source(entry.source);
    if (!entry.source.isEmpty() && !source.open(QIODevice::ReadOnly))
        return failed(
            QStringLiteral("Could not read %1: %2").arg(entry.source, source.errorString()));
    done.dosTime = dosTime(entry.source.isEmpty() ? QDateTime::currentDateTime()
                                                  : QFileInfo(source).lastModified());
    if (file.pos() + localHeaderSize + done.name.size() >= zipLimit)
        return failed(tooLarge());
    if (!writeAll(localHeader(done)))
        return failed(writeError());
    QByteArray bytes = entry.bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const ApksWrite streamed =
        stream(entry.source.isEmpty() ? static_cast<QIODevice &>(buffer) : source, done);
    if (streamed.result != ApksWrite::Written)
        return streamed;
    const qint64 end = file.pos();
    if (!file.seek(done.offset) || !writeAll(localHeader(done)) || !file.seek(end))
        return failed(writeError());
    written.append(done);
    return streamed;
}

ApksWrite Writer::stream(QIODevice &source, Written &entry)
{
    QByteArray chunk(chunkSize, Qt::Uninitialized);
    uLong crc = crc32(0, nullptr, 0);
    qint64 size = 0;
    for (;;) {
        const qint64 read = source.read(chunk.data(), chunkSize);
        if (read < 0)
            return failed(
                QStringLiteral("Could not read %1: %2").arg(entry.name, source.errorString()));
        if (read == 0)
            break;
        size += read;
        if (file.pos() + read >= zipLimit)
            return failed(tooLarge());
        crc = crc32(crc, reinterpret_cast<const Bytef *>(chunk.constData()), uInt(read));
        if (file.write(chunk.constData(), read) != read)
            return failed(writeError());
        content += read;
        if (progress && !progress(content))
            return {ApksWrite::Cancelled, {}};
    }
    entry.crc = quint32(crc);
    entry.size = quint32(size);
    return {ApksWrite::Written, {}};
}

} // namespace

ApksWrite writeApks(const QString &target, const QList<ApksEntry> &entries,
                    const std::function<bool(qint64 written)> &progress)
{
    Writer writer(target, progress);
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
