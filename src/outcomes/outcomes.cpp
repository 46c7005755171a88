#include "outcomes/outcomes.h"

#include "device/toolrunner.h"

#include <QFileInfo>
#include <algorithm>

bool reportsSuccess(QString line, const QStringList &paths)
{
    // Whole paths first: taking out a file name first could leave the rest of a path behind.
    for (const QString &path : paths) {
        if (!path.isEmpty())
            line.remove(path);
    }
    for (const QString &path : paths) {
        const QString fileName = QFileInfo(path).fileName();
        if (!fileName.isEmpty())
            line.remove(fileName);
    }
    return line.contains(QLatin1String("Success"));
}

bool reportsUninstalled(const ToolRun &run)
{
    const auto success = [](const QString &line) {
        return line.startsWith(QLatin1String("Success"));
    };
    return std::any_of(run.output.cbegin(), run.output.cend(), success) ||
           std::any_of(run.errors.cbegin(), run.errors.cend(), success);
}
