#include "install/installworker.h"

#include "device/toolrunner.h"
#include "install/bundleinstall.h"
#include "install/installpath.h"
#include "outcomes/outcomes.h"
#include "outcomes/statusdetail.h"

#include <QDebug>
#include <QFileInfo>

InstallWorker::InstallWorker(QString serial)
    : serial(std::move(serial))
    , tool(toolPath())
{}

bool InstallWorker::installApk(const QStringList &chosenPaths)
{
    if (!chosenPaths.isEmpty() && !isSingleApkName(chosenPaths.first()))
        return installBundle(chosenPaths.first());
    bool installed = false;
    ToolRun run;
    if (!chosenPaths.isEmpty()) {
        const QString &path = chosenPaths.first();
        QString given;
        {
            // A link made for adb lasts only as long as the tool's run.
            const InstallPath forAdb(path);
            given = forAdb.path();
            if (!given.isEmpty())
                run = runTool(tool, {QStringLiteral("install"), given}, serial);
            else
                run.failure = forAdb.error();
        }
        emit toolFinished();
        for (const QString &line : run.output) {
            qInfo("%s", qUtf8Printable(line));
            if (reportsSuccess(line, {path, given})) {
                qInfo("Apk installed successfully.");
                installed = true;
                break;
            }
        }
    }
    if (!installed)
        qInfo("Did not install this apk.");
    emit installReported(installed, installed ? QString() : detailFor(Step::Install, run));
    return installed;
}

bool InstallWorker::installBundle(const QString &path)
{
    const InstallOutcome outcome = BundleInstall(tool, serial).run(path);
    emit toolFinished();
    if (outcome.installed)
        qInfo("Apk installed successfully.");
    else
        qInfo("Did not install this apk.");
    emit installReported(outcome.installed, outcome.detail);
    return outcome.installed;
}

bool isSingleApkName(const QString &path)
{
    return path.endsWith(QLatin1String(".apk"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".apk.zip"), Qt::CaseInsensitive);
}
