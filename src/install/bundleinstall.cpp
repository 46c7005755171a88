#include "install/bundleinstall.h"

#include "bundles/bundlearchive.h"
#include "bundles/bundlecontents.h"
#include "bundles/bundlestage.h"
#include "outcomes/outcomes.h"
#include "outcomes/statusdetail.h"

#include <QDebug>
#include <QFile>

namespace {

InstallOutcome failed(const BundleProblem &problem)
{
    const QString detail = describe(problem);
    qInfo("cannot install this bundle: %s", qUtf8Printable(detail));
    return {false, detail};
}

QString firstSaid(const ToolRun &run)
{
    if (!run.failure.isEmpty())
        return run.failure;
    const QStringList &lines = run.errors.isEmpty() ? run.output : run.errors;
    return lines.isEmpty() ? QStringLiteral("nothing") : lines.first().trimmed();
}

bool pushed(const ToolRun &run)
{
    return std::any_of(run.output.cbegin(), run.output.cend(), [](const QString &line) {
        return line.contains(QLatin1String("1 file pushed"));
    });
}

} // namespace

BundleInstall::BundleInstall(QString tool, QString serial)
    : tool(std::move(tool))
    , serial(std::move(serial))
{}

InstallOutcome BundleInstall::run(const QString &path)
{
    BundleArchive archive(path);
    if (archive.problem())
        return failed(*archive.problem());
    std::optional<BundleProblem> problem;
    const std::optional<BundleContents> contents = readBundle(archive, problem);
    if (!contents)
        return failed(*problem);
    const std::optional<DeviceSpec> device = readDevice(problem);
    if (!device)
        return failed(*problem);
    const SplitChoice choice = chooseApks(*contents, *device);
    logChoice(choice);
    if (choice.problem)
        return failed(*choice.problem);

    BundleStage stage;
    QStringList paths;
    if ((problem = stage.stageApks(archive, choice.chosen, paths)))
        return failed(*problem);
    ToolRun installRun;
    if (!install(paths, choice.standalone, installRun))
        return {false, detailFor(Step::Install, installRun)};
    stage.clear();
    if (contents->format == BundleFormat::Xapk &&
        (problem = pushExpansions(archive, stage, contents->manifest)))
        return failed(*problem);
    return {true, {}};
}

std::optional<DeviceSpec> BundleInstall::readDevice(std::optional<BundleProblem> &problem)
{
    const ToolRun properties =
        runTool(tool, {QStringLiteral("shell"), QStringLiteral("getprop")}, serial);
    DeviceSpec device = deviceFromProperties(properties.output);
    // Some devices, emulators among them, keep their density out of the properties.
    if (device.density <= 0 && !properties.output.isEmpty())
        device.density = densityFromWm(
            runTool(tool,
                    {QStringLiteral("shell"), QStringLiteral("wm"), QStringLiteral("density")},
                    serial)
                .output);
    const QString missing = missingProperties(device);
    if (!missing.isEmpty()) {
        problem = BundleProblem{BundleProblem::DeviceUnread, {missing, firstSaid(properties)}};
        return std::nullopt;
    }
    qInfo("choosing for the device: %s", qUtf8Printable(describeDevice(device)));
    return device;
}

bool BundleInstall::install(const QStringList &paths, bool standalone, ToolRun &run)
{
    const QStringList arguments =
        QStringList{standalone ? QStringLiteral("install") : QStringLiteral("install-multiple"),
                    QStringLiteral("-r")} +
        paths;
    run = runTool(tool, arguments, serial);
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
    const QString folder = QStringLiteral("/sdcard/Android/obb/%1/").arg(manifest.packageName);
    for (const Expansion &expansion : manifest.expansions) {
        QString local;
        if (const std::optional<BundleProblem> problem =
                stage.stageFile(archive, expansion.entry, expansion.fileName, local))
            return BundleProblem{BundleProblem::ExpansionNotCopied,
                                 {expansion.entry, describe(*problem)}};
        const ToolRun run =
            runTool(tool, {QStringLiteral("push"), local, folder + expansion.fileName}, serial);
        QFile::remove(local);
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
