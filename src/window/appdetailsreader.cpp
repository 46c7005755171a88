#include "window/appdetailsreader.h"

#include "apps/detailcache.h"
#include "apps/detailtext.h"
#include "apps/installedapps.h"
#include "apps/packagedump.h"
#include "apps/packagesizes.h"
#include "device/deviceprops.h"
#include "device/devicequeue.h"
#include "device/toolbytes.h"
#include "labels/apkranges.h"
#include "labels/labelreader.h"
#include "labels/zipentrydata.h"
#include "window/devicestatus.h"

#include <QDeadlineTimer>
#include <QStandardPaths>

namespace {

// Android 5 is the first whose "exec-out" hands a command's bytes over unchanged.
constexpr int firstSdkWithNames = 21;
// Android 5 is also the first whose apps may come in splits.
constexpr int firstSdkWithSplits = 21;
// A central directory larger than this is taken as hostile.
constexpr qint64 largestDirectory = 4 << 20;
constexpr int batchApps = 8;
constexpr int batchMs = 250;

// What the job knows as it goes, on the queue's thread.
struct DetailsJob
{
    const QueueJob &job;
    const DetailsRequest &request;
    const std::function<void(DetailsBatch)> &send;
    QList<AppDetails> details;
    QHash<QString, PackageDetails> dump;
    QHash<QString, qint64> sizes;
    int sdk = 0;
    Locale locale;
};

QString localeTag(const Locale &locale)
{
    return locale.region.isEmpty() ? locale.language : locale.language + u'-' + locale.region;
}

void sendRows(DetailsJob &state, const QList<qsizetype> &rows, DetailsBatch batch = {})
{
    for (const qsizetype row : rows)
        batch.rows.append({row, state.details.at(row)});
    state.send(std::move(batch));
}

void readProperties(DetailsJob &state)
{
    const ToolRun run =
        runTool(state.request.tool, {QStringLiteral("shell"), QStringLiteral("getprop")},
                state.request.serial, state.job.limit(state.request.limitMs));
    state.sdk = deviceFromProperties(run.output).sdk;
    state.locale = localeFromGetprop(run.output);
}

// One run of the dump; "packages" selects the section wanted, where the device knows it.
bool readDump(DetailsJob &state, bool whole)
{
    QStringList arguments{QStringLiteral("shell"), QStringLiteral("dumpsys"),
                          QStringLiteral("package")};
    if (!whole)
        arguments.append(QStringLiteral("packages"));
    PackageDumpReader reader;
    const ToolRun run = runToolInBatches(
        state.request.tool, arguments, state.request.serial,
        [&reader](const QList<QByteArrayView> &lines) { reader.read(lines); },
        state.job.limit(state.request.limitMs));
    reader.finish(!run.timedOut);
    state.dump = reader.packages();
    return !run.timedOut;
}

void showVersions(DetailsJob &state)
{
    QList<qsizetype> rows;
    for (qsizetype row = 0; row < state.request.packages.size(); ++row) {
        const auto found = state.dump.constFind(state.request.packages.at(row));
        if (found == state.dump.cend())
            continue;
        AppDetails &detail = state.details[row];
        detail.version = displayText(found->versionName);
        detail.versionTip = versionTooltip(found->versionCode);
        detail.updated = dumpDate(found->lastUpdateTime);
        detail.updatedSystem = found->updatedSystem;
        rows.append(row);
    }
    sendRows(state, rows);
}

// The dump's block for the app at `row`; none when the dump does not name it.
const PackageDetails *dumpOf(const DetailsJob &state, qsizetype row)
{
    const auto found = state.dump.constFind(state.request.packages.at(row));
    return found == state.dump.cend() ? nullptr : &*found;
}

// Whether the dump's silence about an app's splits means it has none: it names splits for some
// app, or the device predates them.
bool splitsShown(const DetailsJob &state)
{
    if (state.sdk > 0 && state.sdk < firstSdkWithSplits)
        return true;
    for (const PackageDetails &details : state.dump)
        if (!details.splits.isEmpty())
            return true;
    return false;
}

bool readSizes(DetailsJob &state)
{
    const SizeTool tool = state.sdk >= 23 || state.sdk == 0 ? SizeTool::Stat : SizeTool::List;
    QStringList all;
    for (qsizetype row = 0; row < state.request.paths.size(); ++row)
        all += packageFiles(state.request.paths.at(row), dumpOf(state, row));
    for (const QStringList &arguments : sizeCommands(all, tool)) {
        const ToolRun run = runToolInBatches(
            state.request.tool, arguments, state.request.serial,
            [&state, tool](const QList<QByteArrayView> &lines) {
                readSizeLines(lines, tool, state.sizes);
            },
            state.job.limit(state.request.limitMs));
        if (run.timedOut)
            return false;
    }
    const bool shown = splitsShown(state);
    QList<qsizetype> rows;
    for (qsizetype row = 0; row < state.request.paths.size(); ++row) {
        const AppSize size =
            appSize(state.request.paths.at(row), dumpOf(state, row), shown, state.sizes);
        state.details[row].size = size.bytes;
        state.details[row].sizeOfBaseOnly = size.baseOnly;
        rows.append(row);
    }
    sendRows(state, rows);
    return true;
}

// The bytes of `reads` of one file in one run; none when the file could not be read whole.
std::optional<QList<QByteArray>> readRanges(const DetailsJob &state, const QList<BlockRead> &reads)
{
    qint64 expected = 0;
    for (const BlockRead &read : reads)
        expected += read.length;
    const ToolBytes run =
        runToolForBytes(state.request.tool, execOutArguments(reads), state.request.serial,
                        expected + 1, state.job.limit(state.request.limitMs));
    if (run.timedOut || !run.failure.isEmpty())
        return std::nullopt;
    return splitReads(run.bytes, reads);
}

// What was found of an app's name. Only a `lasting` result is worth keeping: one that failed for
// want of the bytes (a run that failed or timed out, a size not read) may read fine next time.
struct ApkLabel
{
    LabelResult label;
    bool lasting = true;
};

// No name, with why for the tooltip and `detail` for the log.
ApkLabel unreadable(const QString &why, const QString &detail = {})
{
    return {{{},
             QObject::tr("Its name could not be read: %1").arg(why),
             detail.isEmpty() ? why : detail},
            true};
}

// No name this time: the bytes could not be had. Tried again at the next refresh.
ApkLabel notReadNow(const QString &why)
{
    return {{{},
             QObject::tr("Its name could not be read this time: %1 Refresh tries again.").arg(why),
             why},
            false};
}

// The ZIP directory of the file; none when its bytes could not be read this time.
std::optional<Parsed<ZipDirectory>> readDirectory(const DetailsJob &state, const QString &path,
                                                  qint64 size)
{
    const ZipRange tail = tailRange(size);
    const BlockRead tailRead = blockRead(path, tail, size);
    const auto tailBytes = readRanges(state, {tailRead});
    if (!tailBytes)
        return std::nullopt;
    const QByteArrayView tailView = cutRange(tailBytes->first(), tailRead, tail);
    Parsed<ZipDirectory> directory = readZipDirectory(tailView, size);
    if (directory.ok())
        return directory;
    const Parsed<ZipEnd> end = findZipEnd(tailView, size);
    if (!end.ok() || end.value.directorySize > largestDirectory)
        return Parsed<ZipDirectory>::failed(QStringLiteral("the package file is damaged"));
    const ZipRange range{end.value.directoryOffset, end.value.directorySize};
    const BlockRead read = blockRead(path, range, size);
    const auto bytes = readRanges(state, {read});
    if (!bytes)
        return std::nullopt;
    return readCentralDirectory(cutRange(bytes->first(), read, range), end.value);
}

// The contents of `manifest` and `table` (none: an empty table) of the file `path`, in one run.
std::optional<std::pair<Parsed<QByteArray>, Parsed<QByteArray>>>
readEntries(const DetailsJob &state, const QString &path, qint64 size,
            const ZipDirectory &directory, const ZipEntry &manifest, const ZipEntry *table)
{
    QList<ZipRange> ranges{entryRange(directory, manifest)};
    if (table)
        ranges.append(entryRange(directory, *table));
    QList<BlockRead> reads;
    for (const ZipRange &range : ranges)
        reads.append(blockRead(path, range, size));
    const auto bytes = readRanges(state, reads);
    if (!bytes)
        return std::nullopt;
    std::pair<Parsed<QByteArray>, Parsed<QByteArray>> entries;
    entries.first =
        entryData(cutRange(bytes->at(0), reads.at(0), ranges.at(0)), manifest, LargestManifest);
    if (table)
        entries.second =
            entryData(cutRange(bytes->at(1), reads.at(1), ranges.at(1)), *table, LargestTable);
    return entries;
}

// The name of the app whose base APK is `path`, `size` bytes: its ZIP directory from the file's
// tail, then its manifest and resource table, read as they are stored and inflated here.
ApkLabel readApkLabel(const DetailsJob &state, const QString &path, qint64 size)
{
    if (size <= 0)
        return notReadNow(QObject::tr("the size of its package file is not known."));
    const std::optional<Parsed<ZipDirectory>> directory = readDirectory(state, path, size);
    if (!directory)
        return notReadNow(QObject::tr("its package file could not be read."));
    if (!directory->ok())
        return unreadable(QObject::tr("its package file is damaged."), directory->error);
    const ZipEntry *manifest = directory->value.find(QString::fromLatin1(ManifestEntry));
    const ZipEntry *table = directory->value.find(QString::fromLatin1(TableEntry));
    if (!manifest)
        return unreadable(QObject::tr("its package file has no manifest."));
    if (manifest->compressedSize > LargestManifest ||
        (table && table->compressedSize > LargestTable))
        return unreadable(QObject::tr("its package file holds more than a name needs."));
    const auto entries = readEntries(state, path, size, directory->value, *manifest, table);
    if (!entries)
        return notReadNow(QObject::tr("its package file could not be read."));
    if (!entries->first.ok())
        return unreadable(QObject::tr("its manifest is damaged."), entries->first.error);
    return {
        readLabel(entries->first.value, entries->second.value, state.locale, entries->second.error),
        true};
}

std::optional<DetailKey> keyOf(const DetailsJob &state, qsizetype row)
{
    const QString &package = state.request.packages.at(row);
    const auto found = state.dump.constFind(package);
    // Without both, an update could not be told from the app that was cached.
    if (found == state.dump.cend() || !found->versionCode || found->lastUpdateTime.isEmpty())
        return std::nullopt;
    return DetailKey{package, *found->versionCode, found->lastUpdateTime, localeTag(state.locale)};
}

void setLabel(AppDetails &detail, const QString &label, const QString &reason)
{
    detail.label = label;
    detail.labelTip = label.isEmpty() ? reason : QString();
}

// The names the cache holds; gives the rows whose names must be read from the device.
QList<qsizetype> useCache(DetailsJob &state, const DetailCache &cache)
{
    QList<qsizetype> cached;
    QList<qsizetype> missing;
    for (qsizetype row = 0; row < state.request.packages.size(); ++row) {
        const std::optional<DetailKey> key = keyOf(state, row);
        const std::optional<CachedDetail> found = key ? cache.find(*key) : std::nullopt;
        if (!found) {
            missing.append(row);
            continue;
        }
        setLabel(state.details[row], found->label, found->noLabelReason);
        cached.append(row);
    }
    sendRows(state, cached);
    return missing;
}

void readNames(DetailsJob &state)
{
    DetailCache cache(state.request.cacheFolder, state.request.serial);
    cache.load();
    const QList<qsizetype> missing = useCache(state, cache);
    if (!missing.isEmpty())
        state.send({{}, 0, int(missing.size()), false, false, {}});
    QList<qsizetype> pending;
    QDeadlineTimer nextBatch(batchMs);
    for (qsizetype done = 0; done < missing.size() && !state.job.cancelled(); ++done) {
        const qsizetype row = missing.at(done);
        const QString &path = state.request.paths.at(row);
        const ApkLabel read = readApkLabel(state, path, state.sizes.value(path, -1));
        if (state.job.cancelled())
            break;
        const LabelResult &label = read.label;
        if (!label.detail.isEmpty())
            qInfo("no name for %s: %s", qUtf8Printable(state.request.packages.at(row)),
                  qUtf8Printable(label.detail));
        setLabel(state.details[row], label.label, label.reason);
        if (const std::optional<DetailKey> key = keyOf(state, row); key && read.lasting)
            cache.insert(*key, {label.label, label.reason, state.details.at(row).size});
        pending.append(row);
        if (pending.size() >= batchApps || nextBatch.hasExpired()) {
            sendRows(state, std::exchange(pending, {}),
                     {{}, int(done + 1), int(missing.size()), false, false, {}});
            nextBatch.setRemainingTime(batchMs);
        }
    }
    sendRows(state, pending);
    if (!missing.isEmpty() && !cache.save())
        qInfo("the names read could not be kept in %s", qUtf8Printable(cache.fileName()));
}

void withoutNames(DetailsJob &state)
{
    QList<qsizetype> rows;
    for (qsizetype row = 0; row < state.details.size(); ++row) {
        setLabel(state.details[row], {},
                 QObject::tr("Names are read from Android 5 on: this device's shell cannot hand "
                             "over a file's bytes unchanged."));
        rows.append(row);
    }
    sendRows(state, rows);
}

} // namespace

void readAppDetails(const QueueJob &job, const DetailsRequest &request,
                    const std::function<void(DetailsBatch)> &send)
{
    DetailsJob state{job, request, send, QList<AppDetails>(request.packages.size()), {}, {}, 0, {}};
    readProperties(state);
    if (!job.cancelled() && readDump(state, false) && state.dump.isEmpty())
        readDump(state, true);
    if (!job.cancelled())
        showVersions(state);
    if (!job.cancelled())
        readSizes(state);
    if (!job.cancelled() && state.sdk > 0 && state.sdk < firstSdkWithNames)
        withoutNames(state);
    else if (!job.cancelled())
        readNames(state);
    DetailsBatch last;
    last.finished = true;
    last.cancelled = job.cancelled();
    send(std::move(last));
}

AppDetailsReader::AppDetailsReader(DeviceStatus &device, InstalledApps &apps, QObject *parent)
    : QObject(parent)
    , device(device)
    , apps(apps)
{}

DetailsRequest AppDetailsReader::request() const
{
    DetailsRequest request{device.tool(),
                           device.serial(),
                           QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                           {},
                           {},
                           device.limits.appListingMs};
    const TextRows &rows = apps.arranged()->rows();
    request.packages.reserve(rows.rowCount());
    request.paths.reserve(rows.rowCount());
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        request.packages.append(rows.text(row, AppTable::ListedPackage));
        request.paths.append(rows.text(row, AppTable::ListedPath));
    }
    return request;
}

void AppDetailsReader::start()
{
    if (apps.count() == 0 || device.serial().isEmpty() || device.acting())
        return;
    const int generation = ++current;
    underWay = true;
    device.beginAction(tr("Reading app details\u2026"));
    device.queue().post([this, generation, request = request()](const QueueJob &job) {
        readAppDetails(job, request, [this, &job, generation](const DetailsBatch &batch) {
            job.deliver([this, generation, batch] { apply(generation, batch); });
        });
    });
}

void AppDetailsReader::stop()
{
    if (!underWay)
        return;
    ++current;
    underWay = false;
    device.queue().cancel();
    device.endAction();
}

void AppDetailsReader::apply(int generation, const DetailsBatch &batch)
{
    if (generation != current)
        return;
    if (!batch.rows.isEmpty())
        apps.arranged()->setDetails(batch.rows);
    if (batch.namesToRead > 0) {
        device.setBusyText(
            tr("Reading app names: %1 of %2").arg(batch.namesRead).arg(batch.namesToRead));
        device.setProgress(batch.namesRead, batch.namesToRead);
    }
    if (!batch.finished)
        return;
    underWay = false;
    device.endAction();
    apps.arranged()->rearrange();
    if (batch.cancelled)
        device.explain(tr("Not every app's details were read. Press Refresh to read the rest."));
}
