#include "bundles/bundlecontents.h"

#include "bundles/apksetchoice.h"
#include "bundles/bundlearchive.h"

namespace {

// Far more than any real table of contents or manifest takes; what is larger is not read.
constexpr qint64 largestMetadata = qint64(16) * 1024 * 1024;

bool isApk(const QString &name)
{
    return name.endsWith(QLatin1String(".apk"), Qt::CaseInsensitive);
}

std::optional<QByteArray> metadata(BundleArchive &archive, const QString &name,
                                   std::optional<BundleProblem> &problem)
{
    const ArchiveEntry *entry = archive.find(name);
    return entry ? archive.read(*entry, largestMetadata, problem) : std::nullopt;
}

bool readToc(BundleArchive &archive, BundleContents &contents,
             std::optional<BundleProblem> &problem)
{
    const std::optional<QByteArray> bytes = metadata(archive, QStringLiteral("toc.pb"), problem);
    if (!bytes)
        return false;
    QString error;
    const std::optional<ApkSetToc> toc = readApkSetToc(*bytes, &error);
    if (!toc) {
        problem = BundleProblem{BundleProblem::BadToc, {error}};
        return false;
    }
    contents.toc = *toc;
    return true;
}

bool readManifest(BundleArchive &archive, BundleContents &contents,
                  std::optional<BundleProblem> &problem)
{
    const std::optional<QByteArray> bytes =
        metadata(archive, QStringLiteral("manifest.json"), problem);
    if (!bytes)
        return false;
    const std::optional<XapkManifest> manifest = readXapkManifest(*bytes, problem);
    if (!manifest)
        return false;
    for (const Expansion &expansion : manifest->expansions) {
        if (!archive.find(expansion.entry)) {
            problem = BundleProblem{BundleProblem::BadExpansion, {expansion.entry}};
            return false;
        }
    }
    contents.manifest = *manifest;
    return true;
}

// An APK set's APKs are those its table of contents names; they must all be there.
bool checkTocPaths(const BundleArchive &archive, const ApkSetToc &toc,
                   std::optional<BundleProblem> &problem)
{
    for (const TocVariant &variant : toc.variants) {
        for (const TocModule &module : variant.modules) {
            for (const TocApk &apk : module.apks) {
                if (!archive.find(apk.path)) {
                    problem = BundleProblem{BundleProblem::BadToc,
                                            {QStringLiteral("it names %1, which the bundle does "
                                                            "not hold")
                                                 .arg(apk.path)}};
                    return false;
                }
            }
        }
    }
    return true;
}

} // namespace

BundleKind recogniseBundle(const QStringList &entryNames)
{
    for (const QString &name : entryNames) {
        if (climbsOut(name))
            return {std::nullopt, BundleProblem{BundleProblem::UnsafeEntry, {name}}};
    }
    if (entryNames.contains(QLatin1String("toc.pb")))
        return {BundleFormat::ApkSet, std::nullopt};
    if (entryNames.contains(QLatin1String("info.json")) &&
        entryNames.contains(QLatin1String("base.apk")))
        return {BundleFormat::Apkm, std::nullopt};
    if (entryNames.contains(QLatin1String("manifest.json")))
        return {BundleFormat::Xapk, std::nullopt};
    if (entryNames.contains(QLatin1String("AndroidManifest.xml")))
        return {std::nullopt, BundleProblem{BundleProblem::SingleApk, {}}};
    if (std::any_of(entryNames.cbegin(), entryNames.cend(), isApk))
        return {BundleFormat::SplitZip, std::nullopt};
    return {std::nullopt, BundleProblem{BundleProblem::NoApk, {}}};
}

std::optional<BundleContents> readBundle(BundleArchive &archive,
                                         std::optional<BundleProblem> &problem)
{
    QStringList names;
    for (const ArchiveEntry &entry : archive.entries())
        names.append(entry.name);
    const BundleKind kind = recogniseBundle(names);
    if (!kind.format) {
        problem = kind.problem;
        return std::nullopt;
    }
    BundleContents contents;
    contents.format = *kind.format;
    if (contents.format == BundleFormat::ApkSet &&
        (!readToc(archive, contents, problem) || !checkTocPaths(archive, contents.toc, problem)))
        return std::nullopt;
    if (contents.format == BundleFormat::Xapk && !readManifest(archive, contents, problem))
        return std::nullopt;
    for (const QString &name : names) {
        if (isApk(name))
            contents.apks.append({name, contents.manifest.splitIds.value(name)});
    }
    return contents;
}

SplitChoice chooseApks(const BundleContents &contents, const DeviceSpec &device)
{
    if (contents.format == BundleFormat::ApkSet)
        return chooseFromToc(contents.toc, device);
    return chooseByName(contents.apks, contents.manifest.packageName, device);
}
