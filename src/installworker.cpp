#include "installworker.h"

#include "statusdetail.h"
#include "toolrunner.h"

#include <QDebug>
#include <QFileInfo>
#include <QThreadPool>

InstallWorker::InstallWorker(QString serial)
    : serial(std::move(serial))
    , tool(toolPath())
{}

void InstallWorker::start(const QStringList &chosenPaths)
{
    // The global pool is waited for when the application object goes away, so an install that is
    // under way when the user quits still runs to its end.
    QThreadPool::globalInstance()->start([this, chosenPaths] {
        installApk(chosenPaths);
        deleteLater();
    });
}

bool InstallWorker::installApk(const QStringList &chosenPaths)
{
    bool installed = false;
    ToolRun run;
    if (!chosenPaths.isEmpty()) {
        const QString &path = chosenPaths.first();
        run = runTool(tool, {QStringLiteral("install"), path}, serial);
        emit toolFinished();
        for (const QString &line : run.output) {
            qInfo("%s", qUtf8Printable(line));
            if (reportsSuccess(line, path)) {
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

bool reportsSuccess(QString line, const QString &chosenPath)
{
    const QString fileName = QFileInfo(chosenPath).fileName();
    if (!chosenPath.isEmpty())
        line.remove(chosenPath);
    if (!fileName.isEmpty())
        line.remove(fileName);
    return line.contains(QLatin1String("Success"));
}
