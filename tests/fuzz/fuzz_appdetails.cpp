// libFuzzer target for what the device tells about its apps and what was cached of it. The same
// bytes, split into lines, are read as the package manager's dump (in batches of two lines, cut
// and whole), as "pm path" output, as size and expansion lines, and as a cache file. Nothing may
// crash or hang; a cache file that is accepted must read back the same once written again; a path
// that is accepted never climbs out.
#include "apps/detailcache.h"
#include "apps/expansionfiles.h"
#include "apps/packagedump.h"
#include "apps/packagepaths.h"
#include "apps/packagesizes.h"

#include <QByteArrayView>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

QList<QByteArrayView> linesOf(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        if (end > start)
            lines.append(bytes.sliced(start, end - start));
        start = end + 1;
    }
    return lines;
}

void readDump(const QList<QByteArrayView> &lines, bool whole)
{
    PackageDumpReader reader;
    for (qsizetype i = 0; i < lines.size(); i += 2)
        reader.read(lines.mid(i, 2));
    reader.finish(whole);
    for (const PackageDetails &details : reader.packages())
        check(details.versionName.size() <= 200);
}

void readPaths(const QList<QByteArrayView> &lines)
{
    if (const auto files = readPackagePaths(lines)) {
        check(!files->isEmpty() && files->front().entryName == QLatin1String("base.apk"));
        for (const PackageFile &file : *files)
            check(file.devicePath.startsWith(QLatin1Char('/')) &&
                  !file.devicePath.contains(QLatin1String("/../")) &&
                  !file.entryName.contains(QLatin1Char('/')));
    }
    QHash<QString, qint64> sizes;
    readSizeLines(lines, SizeTool::Stat, sizes);
    readSizeLines(lines, SizeTool::List, sizes);
    for (const qint64 size : sizes)
        check(size >= 0);
    for (const SizeTool tool : {SizeTool::Stat, SizeTool::List})
        for (const ExpansionFile &file : readExpansionLines(lines, QStringLiteral("a.b"), tool))
            check(file.size >= 0 && file.entryName.count(QLatin1Char('/')) == 3 &&
                  !file.entryName.contains(QLatin1String("/.")));
}

void readCache(const QByteArray &bytes)
{
    const QString serial = QStringLiteral("emulator-5554");
    const auto entries = decodeDetails(bytes, serial);
    if (!entries)
        return;
    const auto again = decodeDetails(encodeDetails(serial, *entries), serial);
    check(again && again->size() == entries->size());
    for (const auto &[key, detail] : *entries) {
        const auto &other = again->value(key.package);
        check(other.first.versionCode == key.versionCode && other.second.label == detail.label &&
              other.second.noLabelReason == detail.noLabelReason);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArrayView> lines = linesOf(bytes);
    readDump(lines, true);
    readDump(lines, false);
    readPaths(lines);
    readCache(bytes);
    return 0;
}
