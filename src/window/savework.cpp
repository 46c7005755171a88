#include "window/savework.h"

#include "apps/packagedump.h"
#include "apps/packagesizes.h"
#include "apps/savename.h"
#include "apps/savetexts.h"
#include "bundles/apkswriter.h"
#include "device/devicequeue.h"
#include "outcomes/statusdetail.h"
#include "text/shellquote.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SaveWork", text);
}

// More "pm path" lines than any app has files: the rest are not kept.
constexpr qsizetype keptPathLines = 10'000;
// The archive's progress is handed to the UI thread at most every this many bytes.
constexpr qint64 reportEvery = 4 * 1024 * 1024;

QList<QByteArrayView> viewsOf(const QList<QByteArray> &lines)
{
    return QList<QByteArrayView>(lines.cbegin(), lines.cend());
}

// "pm path": the app's files, or why there are none to save.
ToolRun readPaths(const QueueJob &job, const QString &tool, const QString &serial, int limitMs,
                  SaveSource &source)
{
    QList<QByteArray> lines;
    const ToolRun run = runToolInBatches(
        tool,
        {QStringLiteral("shell"), QStringLiteral("pm"), QStringLiteral("path"),
         shellQuoted(source.package)},
        serial,
        [&lines](const QList<QByteArrayView> &batch) {
            for (const QByteArrayView line : batch)
                if (lines.size() < keptPathLines)
                    lines.append(line.toByteArray());
        },
        job.limit(limitMs));
    if (run.timedOut) {
        source.problem = notAnswered(run, limitMs);
        return run;
    }
    if (const auto files = readPackagePaths(viewsOf(lines)))
        source.files = *files;
    else
        source.problem = tr("The package manager named no files of %1 that can be saved: it may "
                            "no longer be installed, or its files have names that are not safe "
                            "to copy.")
                             .arg(source.package);
    return run;
}

void readVersion(const QueueJob &job, const QString &tool, const QString &serial, int limitMs,
                 SaveSource &source)
{
    PackageDumpReader reader;
    const ToolRun run = runToolInBatches(
        tool,
        {QStringLiteral("shell"), QStringLiteral("dumpsys"), QStringLiteral("package"),
         shellQuoted(source.package)},
        serial, [&reader](const QList<QByteArrayView> &lines) { reader.read(lines); },
        job.limit(limitMs));
    reader.finish(!run.timedOut);
    const PackageDetails details = reader.packages().value(source.package);
    source.versionName = details.versionName;
    source.versionCode = details.versionCode;
}

void readSizes(const QueueJob &job, const QString &tool, const QString &serial, int limitMs,
               SaveSource &source)
{
    QStringList paths;
    for (const PackageFile &file : std::as_const(source.files))
        paths.append(file.devicePath);
    // Devices before Android 6 have no stat; their ls tells the same.
    for (const SizeTool sizeTool : {SizeTool::Stat, SizeTool::List}) {
        for (const QStringList &command : sizeCommands(paths, sizeTool))
            runToolInBatches(
                tool, command, serial,
                [&source, sizeTool](const QList<QByteArrayView> &lines) {
                    readSizeLines(lines, sizeTool, source.sizes);
                },
                job.limit(limitMs));
        if (job.cancelled() || totalSize(paths, source.sizes) >= 0)
            return;
    }
}

void readExpansions(const QueueJob &job, const QString &tool, const QString &serial, int limitMs,
                    SaveSource &source)
{
    runToolInBatches(
        tool, expansionCommand(source.package, SizeTool::Stat), serial,
        [&source](const QList<QByteArrayView> &lines) {
            if (source.expansions.size() < 1000)
                source.expansions += readExpansionLines(lines, source.package, SizeTool::Stat);
        },
        job.limit(limitMs));
}

// The temporary files of one save, beside its target; all removed when the save ends.
class TempFiles
{
public:
    explicit TempFiles(const QString &target)
        : target(target)
    {}
    ~TempFiles()
    {
        for (const QString &path : std::as_const(paths))
            QFile::remove(path);
    }
    TempFiles(const TempFiles &) = delete;
    TempFiles &operator=(const TempFiles &) = delete;

    // A new empty file, hidden, in the target's folder (on its file system, so that one rename
    // puts it in place); empty when none could be made. Its name is short whatever the target's.
    QString make(QString &why)
    {
        const QFileInfo info(target);
        QTemporaryFile file(info.absolutePath() + QStringLiteral("/.apkshelf-XXXXXX.part"));
        file.setAutoRemove(false);
        if (!file.open()) {
            why = tr("Could not write in %1: %2").arg(info.absolutePath(), file.errorString());
            return {};
        }
        paths.append(file.fileName());
        return file.fileName();
    }

private:
    QString target;
    QStringList paths;
};

// Puts the whole file `from` at `target` in one rename: over what is there when `replace`, else
// under the first free name. Gives the path, or empty with `why`.
QString place(const QString &from, const QString &target, bool replace, QString &why)
{
    // Saved files are the user's to share; a temporary file is made for the owner alone.
    QFile::setPermissions(from, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    if (replace) {
        if (std::rename(QFile::encodeName(from).constData(),
                        QFile::encodeName(target).constData()) == 0)
            return target;
        why = tr("Could not save as %1: %2").arg(target, QString::fromLocal8Bit(strerror(errno)));
        return {};
    }
    const auto free = firstFreeName(target, [](const QString &path) {
        return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    });
    // QFile::rename never replaces a file: one that appeared meanwhile stays.
    QFile file(from);
    if (free && file.rename(*free))
        return *free;
    why = tr("Could not save as %1: %2").arg(free.value_or(target), file.errorString());
    return {};
}

// A file to copy from the device, and its name in the archive.
struct Item
{
    QString devicePath;
    QString entry;
    qint64 size = -1;
};

struct Copied
{
    QString local;
    QString entry;
};

QList<Item> itemsOf(const SavePlan &plan)
{
    QList<Item> items;
    for (const PackageFile &file : plan.source.files)
        items.append(
            {file.devicePath, file.entryName, plan.source.sizes.value(file.devicePath, -1)});
    if (plan.withExpansions)
        for (const ExpansionFile &file : plan.source.expansions)
            items.append({file.devicePath, file.entryName, file.size});
    return items;
}

qint64 totalOf(const QList<Item> &items)
{
    qint64 total = 0;
    for (const Item &item : items) {
        if (item.size < 0)
            return -1;
        total += item.size;
    }
    return total;
}

// Copies every item into a temporary file of its own, in order; Saved when all arrived whole.
SaveEnd pullAll(const QueueJob &job, const QString &tool, const QString &serial,
                const QList<Item> &items, TempFiles &temps, const SaveReport &report,
                QList<Copied> &copied)
{
    const qint64 total = totalOf(items);
    qint64 done = 0;
    for (const Item &item : items) {
        QString why;
        const QString local = temps.make(why);
        if (local.isEmpty())
            return {SaveEnd::Failed, why, {}};
        if (report)
            report({local, done, total, false});
        const ToolRun run =
            runTool(tool, {QStringLiteral("pull"), item.devicePath, local}, serial, job.limit(-1));
        if (job.cancelled())
            return {SaveEnd::Cancelled, {}, {}};
        const qint64 got = QFileInfo(local).size();
        if (const QString problem = pullProblem(run, item.size, got); !problem.isEmpty())
            return {SaveEnd::Failed, tr("%1: %2").arg(item.entry, problem), {}};
        copied.append({local, item.entry});
        done += got;
    }
    return {SaveEnd::Saved, {}, {}};
}

// Streams the copies into one archive, a temporary file of its own (`local`).
SaveEnd archive(const QueueJob &job, const SavePlan &plan, const QList<Copied> &copied,
                qint64 total, TempFiles &temps, const SaveReport &report, QString &local)
{
    QList<ApksEntry> entries;
    QStringList apks;
    QStringList expansions;
    for (const Copied &file : copied) {
        entries.append({file.entry, file.local, {}});
        (file.entry.startsWith(QLatin1String("Android/obb/")) ? expansions : apks)
            .append(file.entry);
    }
    // Without it, Install would take the APKs and leave the expansion files behind.
    if (!expansions.isEmpty())
        entries.append({QStringLiteral("manifest.json"),
                        {},
                        expansionManifest(plan.source.package, plan.source.versionCode.value_or(0),
                                          apks, expansions)});
    QString why;
    local = temps.make(why);
    if (local.isEmpty())
        return {SaveEnd::Failed, why, {}};
    qint64 reported = 0;
    const ApksWrite written = writeApks(local, entries, [&](qint64 bytes) {
        if (report && bytes - reported >= reportEvery) {
            reported = bytes;
            report({{}, bytes, total, true});
        }
        return !job.cancelled();
    });
    if (written.result == ApksWrite::Cancelled)
        return {SaveEnd::Cancelled, {}, {}};
    if (written.result == ApksWrite::Failed)
        return {SaveEnd::Failed, written.why, {}};
    return {SaveEnd::Saved, {}, {}};
}

// Whether the target is an archive: an app of several files, or the user named it so.
bool wantsArchive(const SavePlan &plan, qsizetype files)
{
    return files > 1 || plan.target.endsWith(QLatin1String(".apks"), Qt::CaseInsensitive) ||
           plan.target.endsWith(QLatin1String(".xapk"), Qt::CaseInsensitive);
}

} // namespace

qint64 SaveSource::packageBytes() const
{
    QStringList paths;
    for (const PackageFile &file : files)
        paths.append(file.devicePath);
    return totalSize(paths, sizes);
}

qint64 SaveSource::expansionBytes() const
{
    qint64 bytes = 0;
    for (const ExpansionFile &file : expansions)
        bytes += file.size;
    return bytes;
}

SaveSource readSaveSource(const QueueJob &job, const QString &tool, const QString &serial,
                          const QString &package, int limitMs)
{
    SaveSource source;
    source.package = package;
    readPaths(job, tool, serial, limitMs, source);
    if (!source.problem.isEmpty() || job.cancelled())
        return source;
    readVersion(job, tool, serial, limitMs, source);
    readSizes(job, tool, serial, limitMs, source);
    readExpansions(job, tool, serial, limitMs, source);
    return source;
}

SaveEnd saveApp(const QueueJob &job, const QString &tool, const QString &serial,
                const SavePlan &plan, const SaveReport &report)
{
    TempFiles temps(plan.target);
    const QList<Item> items = itemsOf(plan);
    QList<Copied> copied;
    SaveEnd end = pullAll(job, tool, serial, items, temps, report, copied);
    if (end.result != SaveEnd::Saved)
        return end;
    QString local = copied.value(0).local;
    if (wantsArchive(plan, copied.size())) {
        end = archive(job, plan, copied, totalOf(items), temps, report, local);
        if (end.result != SaveEnd::Saved)
            return end;
    }
    if (job.cancelled())
        return {SaveEnd::Cancelled, {}, {}};
    QString why;
    const QString path = place(local, plan.target, plan.replace, why);
    if (path.isEmpty())
        return {SaveEnd::Failed, why, {}};
    return {SaveEnd::Saved, {}, path};
}
