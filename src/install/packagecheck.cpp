#include "install/packagecheck.h"

#include "device/packagename.h"
#include "labels/binaryxml.h"
#include "labels/labelreader.h"
#include "labels/zipdirectory.h"
#include "labels/zipentrydata.h"
#include "text/shellquote.h"

#include <QCoreApplication>
#include <QFile>

namespace {

// More than the central directory of any APK we install: a larger one is not read.
constexpr qint64 largestDirectory = 32 << 20;

QByteArray readRange(QFile &file, qint64 offset, qint64 length)
{
    if (offset < 0 || length < 0 || !file.seek(offset))
        return {};
    return file.read(length);
}

Parsed<ZipDirectory> directoryOf(QFile &file)
{
    const qint64 size = file.size();
    const qint64 from = std::max<qint64>(0, size - ZipTailSize);
    const QByteArray tail = readRange(file, from, size - from);
    Parsed<ZipDirectory> directory = readZipDirectory(tail, size);
    if (directory.ok())
        return directory;
    // The directory starts before the tail: read it where the end record says.
    const Parsed<ZipEnd> end = findZipEnd(tail, size);
    if (!end.ok() || end.value.directorySize > largestDirectory)
        return Parsed<ZipDirectory>::failed(end.ok() ? QStringLiteral("too large") : end.error);
    return readCentralDirectory(readRange(file, end.value.directoryOffset, end.value.directorySize),
                                end.value);
}

} // namespace

QString packageOfApk(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const Parsed<ZipDirectory> directory = directoryOf(file);
    const ZipEntry *entry =
        directory.ok() ? directory.value.find(QString::fromLatin1(ManifestEntry)) : nullptr;
    if (!entry || entry->compressedSize > LargestManifest)
        return {};
    const ZipRange range = entryRange(directory.value, *entry);
    const Parsed<QByteArray> manifest =
        entryData(readRange(file, range.offset, range.length), *entry, LargestManifest);
    if (!manifest.ok())
        return {};
    const QString package = readManifestPackage(manifest.value).value;
    return isPackageName(package) ? package : QString();
}

QStringList packagePathArguments(const QString &packageName)
{
    return {QStringLiteral("shell"), QStringLiteral("pm"), QStringLiteral("path"),
            shellQuoted(packageName)};
}

std::optional<QStringList> installedFiles(const ToolRun &run)
{
    if (!run.failure.isEmpty() || run.timedOut)
        return std::nullopt;
    QStringList files;
    for (const QString &line : run.output) {
        if (line.startsWith(QLatin1String("package:")))
            files.append(line.trimmed());
    }
    if (files.isEmpty() && !run.errors.isEmpty())
        return std::nullopt;
    files.sort();
    return files;
}

bool installedDespiteCancel(const std::optional<QStringList> &before,
                            const std::optional<QStringList> &after)
{
    return before && after && !after->isEmpty() && *after != *before;
}

QString finishedBeforeCancel()
{
    return QCoreApplication::translate("PackageCheck",
                                       "The device had finished installing the package before "
                                       "the Cancel reached it.");
}
