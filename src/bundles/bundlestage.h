#pragma once

#include "bundles/bundleproblem.h"
#include "bundles/splitchoice.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <optional>

class BundleArchive;

// A private temporary folder for the files of a bundle that go to the device. adb hands a file's
// name to the device's shell unquoted, so each is staged under a plain ASCII name ending in ".apk"
// (see stagedName), never under its name in the bundle. The folder and all it holds go when this
// object goes, whatever happened.
class BundleStage
{
public:
    BundleStage();

    // Why the folder could not be made; none when it was.
    const std::optional<BundleProblem> &problem() const { return folderProblem; }

    // Extracts the `chosen` APKs of `archive` into the folder, in order, once its free space is
    // known to hold them, and gives their paths; `onStaged`, if given, is told how many are staged
    // after each. A problem when it does not, or an entry is damaged, holds more than it claims or
    // cannot be written.
    std::optional<BundleProblem> stageApks(BundleArchive &archive, const QList<BundleApk> &chosen,
                                           QStringList &paths,
                                           const std::function<void(int staged)> &onStaged = {});
    // Extracts one more entry under the plain `name`, with the same checks, and gives its path.
    std::optional<BundleProblem> stageFile(BundleArchive &archive, const QString &entry,
                                           const QString &name, QString &path);
    // Deletes what is staged, keeping the folder.
    void clear();

private:
    std::optional<BundleProblem> checkSpace(qint64 needed) const;

    std::optional<QTemporaryDir> folder;
    std::optional<BundleProblem> folderProblem;
};

// "00-base.apk", "01-config.arm64_v8a.apk": the position in two digits or more, and the split name
// with every character but ASCII letters, digits, '.', '_' and '-' made '_'.
QString stagedName(int position, const QString &splitId);
