#include "install/installworker.h"

#include "device/deviceprops.h"
#include "device/packagename.h"
#include "install/bundleinstall.h"
#include "install/installpath.h"
#include "install/packagecheck.h"
#include "outcomes/outcomes.h"
#include "outcomes/statusdetail.h"
#include "text/shellquote.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("InstallWorker", source);
}

void logEnd(bool installed)
{
    qInfo("%s", installed ? "Apk installed successfully." : "Did not install this apk.");
}

bool needsFacts(const QString &code)
{
    return code == QLatin1String("INSTALL_FAILED_VERSION_DOWNGRADE") ||
           code == QLatin1String("INSTALL_FAILED_OLDER_SDK") ||
           code == QLatin1String("INSTALL_FAILED_NO_MATCHING_ABIS");
}

// adb reads ahead of what the device has received, so a device whose adb was stopped before it
// had read the whole file has not received it all, and an incomplete package never installs.
QString stoppedWhileSending()
{
    return text("adb was stopped before it had sent the whole package, so the device did not "
                "install it; what it had received was deleted.");
}

QString joined(QStringList parts)
{
    parts.removeAll(QString());
    return parts.join(QLatin1Char(' '));
}

} // namespace

InstallWorker::InstallWorker(QString tool, QString serial, InstallHooks hooks)
    : tool(tool)
    , serial(serial)
    , hooks(hooks)
    , watch(std::move(tool), std::move(serial), std::move(hooks))
{}

InstallReport InstallWorker::install(const QStringList &chosenPaths, InstallFlags flags)
{
    if (chosenPaths.isEmpty()) {
        logEnd(false);
        return {};
    }
    InstallReport report = isSingleApkName(chosenPaths.first())
                               ? installSingle(chosenPaths.first(), flags)
                               : installBundle(chosenPaths.first(), flags);
    report.cancelPressed = watch.cancelPressed();
    return report;
}

InstallReport InstallWorker::replace(const QString &packageName, const QStringList &chosenPaths,
                                     InstallFlags flags)
{
    if (watch.cancelPressed()) {
        InstallReport report;
        report.end = InstallReport::End::Cancelled;
        report.cancelPressed = true;
        report.name = QFileInfo(chosenPaths.value(0)).fileName();
        return report;
    }
    const ToolRun run = runTool(tool,
                                {QStringLiteral("shell"), QStringLiteral("pm"),
                                 QStringLiteral("uninstall"), shellQuoted(packageName)},
                                serial, shortLimit());
    if (!reportsUninstalled(run)) {
        InstallReport report;
        report.name = QFileInfo(chosenPaths.value(0)).fileName();
        report.detail =
            run.timedOut ? notAnswered(run, hooks.cleanupMs) : detailFor(Step::Uninstall, run);
        return report;
    }
    InstallReport report = install(chosenPaths, flags);
    if (report.end != InstallReport::End::Installed)
        report.detail = joined({text("%1 was uninstalled.").arg(packageName), report.detail});
    return report;
}

InstallReport InstallWorker::installSingle(const QString &path, InstallFlags flags)
{
    InstallReport report;
    report.name = QFileInfo(path).fileName();
    const QString package = packageOfApk(path);
    watch.noteInstalled(package);
    QString given;
    const ToolRun run = sendSingle(path, flags, given);
    for (const QString &line : std::as_const(run.output)) {
        qInfo("%s", qUtf8Printable(line));
        if (reportsSuccess(line, {path, given})) {
            report.end = InstallReport::End::Installed;
            break;
        }
    }
    logEnd(report.end == InstallReport::End::Installed);
    if (report.end == InstallReport::End::Installed)
        return report;
    if (watch.stoppedByCancel()) {
        watch.cleanUp(run, given, {});
        // Without adb's reading to go by, Cancel may have come after the device had finished.
        const bool finished = watch.finishedDespiteCancel();
        report.end = finished ? InstallReport::End::Installed : InstallReport::End::Cancelled;
        report.detail = finished ? finishedBeforeCancel() : stoppedWhileSending();
        return report;
    }
    report.detail = detailFor(Step::Install, run);
    explainRefusal(report, run, QFileInfo(path).size(), package);
    return report;
}

ToolRun InstallWorker::sendSingle(const QString &path, InstallFlags flags, QString &given)
{
    // A link made for adb lasts only as long as the tool's run.
    const InstallPath forAdb(path);
    given = forAdb.path();
    ToolRun run;
    if (given.isEmpty()) {
        run.failure = forAdb.error();
        return run;
    }
    watch.begin(InstallProgress(QFileInfo(path).fileName(), {QFileInfo(path).size()}));
    // The plain install stays as adb users know it; an offer's options come with -r.
    const QStringList arguments = flags.downgrade || flags.testBuild
                                      ? installArguments({given}, false, flags)
                                      : QStringList{QStringLiteral("install"), given};
    return watch.send(arguments, {path});
}

InstallReport InstallWorker::installBundle(const QString &path, InstallFlags flags)
{
    const InstallOutcome outcome = BundleInstall(tool, serial, watch).run(path, flags);
    logEnd(outcome.installed);
    InstallReport report;
    report.name = QFileInfo(path).fileName();
    report.detail = outcome.detail;
    report.end = outcome.installed   ? InstallReport::End::Installed
                 : outcome.cancelled ? InstallReport::End::Cancelled
                                     : InstallReport::End::Failed;
    if (report.end == InstallReport::End::Failed)
        explainRefusal(report, outcome.run, outcome.bytes, outcome.packageName);
    else if (report.end == InstallReport::End::Cancelled)
        report.detail = watch.stoppedByCancel()
                            ? stoppedWhileSending()
                            : text("The install was stopped before anything reached the device.");
    return report;
}

void InstallWorker::explainRefusal(InstallReport &report, const ToolRun &run, qint64 bytes,
                                   const QString &filePackage)
{
    const std::optional<Refusal> refusal = refusalOf(run);
    if (!refusal)
        return;
    const QString &code = refusal->code;
    const DeviceFacts facts = needsFacts(code) ? readFacts() : DeviceFacts{};
    QStringList added{report.detail};
    if (code == QLatin1String("INSTALL_FAILED_INSUFFICIENT_STORAGE")) {
        const std::optional<qint64> free =
            freeBytesFromDf(runTool(tool, freeSpaceArguments(), serial, shortLimit()).output);
        // Nothing to add when neither figure is known (a file gone since it was chosen).
        if (free || bytes > 0)
            added.append(storageDetail(free, bytes));
    } else if (code == QLatin1String("INSTALL_FAILED_OLDER_SDK"))
        added.append(olderSdkDetail(neededSdkFromMessage(refusal->message), facts.sdk));
    else if (code == QLatin1String("INSTALL_FAILED_NO_MATCHING_ABIS"))
        added.append(abiDetail({}, facts.abis));
    // Most refusals name no package; the file's own manifest names the same app.
    const QString named = packageFromMessage(refusal->message);
    report.packageName = isPackageName(named) ? named : filePackage;
    report.offer =
        offerAfter(code, report.packageName.isEmpty() ? report.name : report.packageName, facts);
    // Uninstalling needs the app's package name, which neither may give.
    if (report.offer.kind == RefusalOffer::Kind::UninstallFirst && report.packageName.isEmpty())
        report.offer.kind = RefusalOffer::Kind::None;
    added.append(report.offer.detail);
    report.detail = joined(added);
}

DeviceFacts InstallWorker::readFacts()
{
    const ToolRun properties =
        runTool(tool, {QStringLiteral("shell"), QStringLiteral("getprop")}, serial, shortLimit());
    const DeviceSpec device = deviceFromProperties(properties.output);
    return DeviceFacts{device.sdk, debuggableFromProperties(properties.output), device.abis};
}

RunLimit InstallWorker::shortLimit() const
{
    return RunLimit{QDeadlineTimer(hooks.cleanupMs), {}};
}

bool isSingleApkName(const QString &path)
{
    return path.endsWith(QLatin1String(".apk"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".apk.zip"), Qt::CaseInsensitive);
}
