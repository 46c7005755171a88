#include "install/bundleinstall.h"

#include "bundles/bundlearchive.h"
#include "bundles/bundlecontents.h"
#include "bundles/bundlestage.h"
#include "device/packagename.h"
#include "install/installcleanup.h"
#include "install/installwatch.h"
#include "install/packagecheck.h"
#include "outcomes/outcomes.h"
#include "outcomes/statusdetail.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace {

InstallOutcome failed(const BundleProblem &problem)
{
    InstallOutcome outcome;
    outcome.detail = describe(problem);
    qInfo("cannot install this bundle: %s", qUtf8Printable(outcome.detail));
    return outcome;
}

InstallOutcome cancelledBeforeInstall()
{
    InstallOutcome outcome;
    outcome.cancelled = true;
    return outcome;
}

qint64 entrySize(BundleArchive &archive, const QString &entry)
{
    const ArchiveEntry *found = archive.find(entry);
    return found ? found->size : 0;
}

QString firstSaid(const ToolRun &run)
{
    if (!run.failure.isEmpty())
        return run.failure;
    const QStringList &lines = run.errors.isEmpty() ? run.output : run.errors;
    return lines.isEmpty() ? QStringLiteral("nothing") : lines.first().trimmed();
}

// The package a bundle installs: an .xapk's manifest names it; otherwise the base's manifest, the
// first of the staged APKs, does.
QString packageOf(const BundleContents &contents, const QStringList &staged)
{
    if (contents.format == BundleFormat::Xapk && isPackageName(contents.manifest.packageName))
        return contents.manifest.packageName;
    return staged.isEmpty() ? QString() : packageOfApk(staged.first());
}

bool pushed(const ToolRun &run)
{
    return std::any_of(run.output.cbegin(), run.output.cend(), [](const QString &line) {
        return line.contains(QLatin1String("1 file pushed"));
    });
}

} // namespace

BundleInstall::BundleInstall(QString tool, QString serial, InstallWatch &watch)
    : tool(std::move(tool))
    , serial(std::move(serial))
    , watch(watch)
{}

InstallOutcome BundleInstall::run(const QString &path, InstallFlags flags)
{
    BundleArchive archive(path);
    if (archive.problem())
        return failed(*archive.problem());
    std::optional<BundleProblem> problem;
    const std::optional<BundleContents> contents = readBundle(archive, problem);
    if (!contents)
        return failed(*problem);
    const std::optional<DeviceSpec> device = readDevice(problem);
    if (watch.cancelPressed())
        return cancelledBeforeInstall();
    if (!device)
        return failed(*problem);
    const SplitChoice choice = chooseApks(*contents, *device);
    logChoice(choice);
    if (choice.problem)
        return failed(*choice.problem);

    InstallOutcome outcome;
    outcome.bytes = beginBar(archive, *contents, choice, path);
    BundleStage stage;
    QStringList paths;
    if ((problem = stage.stageApks(archive, choice.chosen, paths,
                                   [this](int staged) { watch.staged(staged); })))
        return failed(*problem);
    outcome.packageName = packageOf(*contents, paths);
    watch.noteInstalled(outcome.packageName);
    if (watch.cancelPressed())
        return cancelledBeforeInstall();
    if (!install(paths, choice.standalone, flags, outcome.run)) {
        if (watch.stoppedByCancel())
            judgeCancel(outcome, *contents, paths, choice.standalone);
        else
            outcome.detail = detailFor(Step::Install, outcome.run);
        return outcome;
    }
    stage.clear();
    outcome.installed = true;
    if (contents->format != BundleFormat::Xapk)
        return outcome;
    problem = pushExpansions(archive, stage, contents->manifest);
    if (copiesCancelled)
        return cancelledCopies(contents->manifest);
    return problem ? failed(*problem) : outcome;
}

qint64 BundleInstall::beginBar(BundleArchive &archive, const BundleContents &contents,
                               const SplitChoice &choice, const QString &path)
{
    qint64 bytes = 0;
    QList<qint64> sizes;
    for (const BundleApk &apk : choice.chosen) {
        sizes.append(entrySize(archive, apk.entry));
        bytes += sizes.last();
    }
    QList<ProgressFile> expansions;
    if (contents.format == BundleFormat::Xapk) {
        for (const Expansion &expansion : contents.manifest.expansions)
            expansions.append({expansion.fileName, entrySize(archive, expansion.entry)});
    }
    watch.begin(InstallProgress(QFileInfo(path).fileName(), sizes,
                                static_cast<int>(choice.chosen.size()), expansions));
    return bytes;
}

InstallOutcome BundleInstall::cancelledCopies(const XapkManifest &manifest)
{
    watch.cleanUp({}, {}, copied);
    InstallOutcome outcome;
    outcome.installed = true;
    outcome.cancelled = true;
    outcome.detail = QCoreApplication::translate("BundleInstall",
                                                 "%1 is installed, but the copy of its expansion "
                                                 "files was cancelled: those copied were deleted.")
                         .arg(manifest.packageName);
    return outcome;
}

void BundleInstall::judgeCancel(InstallOutcome &outcome, const BundleContents &contents,
                                const QStringList &paths, bool standalone)
{
    watch.cleanUp(outcome.run, standalone ? paths.value(0) : QString(), {});
    if (!watch.finishedDespiteCancel()) {
        outcome.cancelled = true;
        return;
    }
    outcome.installed = true;
    outcome.detail = finishedBeforeCancel();
    if (contents.format == BundleFormat::Xapk && !contents.manifest.expansions.isEmpty())
        outcome.detail +=
            QLatin1Char(' ') +
            QCoreApplication::translate("BundleInstall", "Its expansion files were not copied.");
}

std::optional<DeviceSpec> BundleInstall::readDevice(std::optional<BundleProblem> &problem)
{
    // Limited, and ended by Cancel: an adb gone silent here would hold the install for ever.
    const ToolRun properties = runTool(tool, {QStringLiteral("shell"), QStringLiteral("getprop")},
                                       serial, watch.questionLimit());
    DeviceSpec device = deviceFromProperties(properties.output);
    // Some devices, emulators among them, keep their density out of the properties.
    if (device.density <= 0 && !properties.output.isEmpty())
        device.density = densityFromWm(
            runTool(tool,
                    {QStringLiteral("shell"), QStringLiteral("wm"), QStringLiteral("density")},
                    serial, watch.questionLimit())
                .output);
    const QString missing = missingProperties(device);
    if (!missing.isEmpty()) {
        const QString said =
            properties.timedOut
                ? QCoreApplication::translate("BundleInstall", "nothing before it was ended")
                : firstSaid(properties);
        problem = BundleProblem{BundleProblem::DeviceUnread, {missing, said}};
        return std::nullopt;
    }
    qInfo("choosing for the device: %s", qUtf8Printable(describeDevice(device)));
    return device;
}

bool BundleInstall::install(const QStringList &paths, bool standalone, InstallFlags flags,
                            ToolRun &run)
{
    run = watch.send(installArguments(paths, !standalone, flags), paths);
    for (const QString &line : run.output) {
        qInfo("%s", qUtf8Printable(line));
        if (reportsSuccess(line, paths))
            return true;
    }
    return false;
}

std::optional<BundleProblem> BundleInstall::pushExpansions(BundleArchive &archive,
                                                           BundleStage &stage,
                                                           const XapkManifest &manifest)
{
    for (int index = 0; index < manifest.expansions.size(); ++index) {
        const Expansion &expansion = manifest.expansions.at(index);
        if (watch.cancelPressed()) {
            copiesCancelled = true;
            return std::nullopt;
        }
        QString local;
        if (const std::optional<BundleProblem> problem =
                stage.stageFile(archive, expansion.entry, expansion.fileName, local))
            return BundleProblem{BundleProblem::ExpansionNotCopied,
                                 {expansion.entry, describe(*problem)}};
        const QString remote = expansionDevicePath(manifest.packageName, expansion.fileName);
        copied.append(remote);
        const ToolRun run = watch.copy({QStringLiteral("push"), local, remote}, local, index);
        QFile::remove(local);
        if (watch.stoppedByCancel()) {
            copiesCancelled = true;
            return std::nullopt;
        }
        if (!pushed(run))
            return BundleProblem{BundleProblem::ExpansionNotCopied,
                                 {expansion.entry, firstSaid(run)}};
    }
    return std::nullopt;
}

void logChoice(const SplitChoice &choice)
{
    for (int i = 0; i < choice.chosen.size(); ++i) {
        const BundleApk &apk = choice.chosen.at(i);
        qInfo("chosen: %s as %s (%s)", qUtf8Printable(apk.entry),
              qUtf8Printable(stagedName(i, apk.splitId)), qUtf8Printable(apk.why));
    }
    for (const BundleApk &apk : choice.leftOut)
        qInfo("left out: %s (%s)", qUtf8Printable(apk.entry), qUtf8Printable(apk.why));
}
