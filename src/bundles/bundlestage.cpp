#include "bundles/bundlestage.h"

#include "bundles/bundlearchive.h"

#include <QDir>
#include <QStorageInfo>

namespace {

QString megabytes(qint64 bytes, bool roundUp)
{
    constexpr qint64 mega = qint64(1000) * 1000;
    return QString::number(roundUp ? (bytes + mega - 1) / mega : bytes / mega);
}

bool isPlain(QChar c)
{
    return c.isLetterOrNumber() && c.unicode() < 128;
}

} // namespace

BundleStage::BundleStage()
{
    // An explicit template, as for InstallPath: the default one asks the application object for
    // its name, and an install may run on while the application is going away.
    const QString systemFolder = QDir::tempPath();
    if (!systemFolder.isEmpty())
        folder.emplace(systemFolder + QStringLiteral("/apkshelf-XXXXXX"));
    if (!folder || !folder->isValid())
        folderProblem = BundleProblem{
            BundleProblem::NoTemporaryFolder,
            {folder ? folder->errorString() : QStringLiteral("the system's does not exist")}};
}

std::optional<BundleProblem> BundleStage::checkSpace(qint64 needed) const
{
    const qint64 free = QStorageInfo(folder->path()).bytesAvailable();
    if (free < 0 || needed <= free)
        return std::nullopt;
    return BundleProblem{BundleProblem::TooLittleSpace,
                         {QDir::tempPath(), megabytes(needed, true), megabytes(free, false)}};
}

std::optional<BundleProblem> BundleStage::stageApks(BundleArchive &archive,
                                                    const QList<BundleApk> &chosen,
                                                    QStringList &paths,
                                                    const std::function<void(int staged)> &onStaged)
{
    if (folderProblem)
        return folderProblem;
    QList<const ArchiveEntry *> entries;
    qint64 needed = 0;
    for (const BundleApk &apk : chosen) {
        entries.append(archive.find(apk.entry));
        if (!entries.last())
            return BundleProblem{BundleProblem::NotExtracted, {apk.entry, "it is not there"}};
        needed += entries.last()->size;
    }
    if (std::optional<BundleProblem> problem = checkSpace(needed))
        return problem;
    for (int i = 0; i < entries.size(); ++i) {
        const QString path = folder->filePath(stagedName(i, chosen.at(i).splitId));
        if (std::optional<BundleProblem> problem = archive.extract(*entries.at(i), path))
            return problem;
        paths.append(path);
        if (onStaged)
            onStaged(i + 1);
    }
    return std::nullopt;
}

std::optional<BundleProblem> BundleStage::stageFile(BundleArchive &archive, const QString &entry,
                                                    const QString &name, QString &path)
{
    if (folderProblem)
        return folderProblem;
    const ArchiveEntry *found = archive.find(entry);
    if (!found)
        return BundleProblem{BundleProblem::NotExtracted, {entry, "it is not there"}};
    if (std::optional<BundleProblem> problem = checkSpace(found->size))
        return problem;
    path = folder->filePath(name);
    return archive.extract(*found, path);
}

void BundleStage::clear()
{
    if (!folder || !folder->isValid())
        return;
    QDir dir(folder->path());
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}

QString stagedName(int position, const QString &splitId)
{
    QString plain = splitId.isEmpty() ? QStringLiteral("apk") : splitId.left(100);
    for (QChar &c : plain) {
        if (!isPlain(c) && c != QLatin1Char('.') && c != QLatin1Char('_') && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    return QStringLiteral("%1-%2.apk").arg(position, 2, 10, QLatin1Char('0')).arg(plain);
}
