#include "bundles/splitchoice.h"

#include "bundles/splitmatch.h"
#include "bundles/splitname.h"
#include "text/languagecode.h"

#include <QHash>

namespace {

const QString base = QStringLiteral("base");

struct Split
{
    QString entry;
    SplitName name;
};

SplitChoice failed(BundleProblem problem)
{
    SplitChoice choice;
    choice.problem = std::move(problem);
    return choice;
}

QString stemOf(const QString &entry)
{
    return entry.section(QLatin1Char('/'), -1).chopped(4); // every APK entry ends in ".apk"
}

void classify(const QList<NamedApk> &apks, const QString &packageName, QList<Split> &named,
              QStringList &unnamed)
{
    for (const NamedApk &apk : apks) {
        const std::optional<SplitName> split = apk.splitId.isEmpty()
                                                   ? splitFromFileName(apk.entry, packageName)
                                                   : splitFromId(apk.splitId);
        if (split)
            named.append({apk.entry, *split});
        else
            unnamed.append(apk.entry);
    }
}

// Without an APK named as the base, the one APK whose name says no split is it, and configuration
// splits named after it ("<name>-config.x86.apk") are the base's.
void adoptUnnamedBase(QList<Split> &named, QStringList &unnamed)
{
    const bool hasBase =
        std::any_of(named.cbegin(), named.cend(), [](const Split &s) { return s.name.isBase(); });
    if (hasBase || unnamed.size() != 1)
        return;
    const QString stem = stemOf(unnamed.first());
    for (Split &split : named) {
        if (split.name.module == stem)
            split.name.module = base;
    }
    named.prepend({unnamed.takeFirst(), SplitName{base, {}}});
}

// The device refuses two APKs with one split name, and an install without a base.
std::optional<BundleProblem> clash(const QList<Split> &named)
{
    QStringList ids;
    QHash<QString, QStringList> entries;
    for (const Split &split : named) {
        const QString id = split.name.id();
        if (!entries.contains(id))
            ids.append(id);
        entries[id].append(split.entry);
    }
    const QStringList bases = entries.value(base);
    if (bases.isEmpty())
        return BundleProblem{BundleProblem::NoBase, {}};
    if (bases.size() > 1)
        return BundleProblem{BundleProblem::SeveralBases, {bases.join(QStringLiteral(", "))}};
    for (const QString &id : ids) {
        if (entries.value(id).size() > 1)
            return BundleProblem{BundleProblem::SameSplitTwice,
                                 {id, entries.value(id).join(QStringLiteral(", "))}};
    }
    return std::nullopt;
}

// Whether to keep one configuration split of a module, and why.
struct Verdict
{
    bool keep;
    QString why;
};

struct ModuleBest
{
    std::optional<QString> abi;
    int density = 0;
};

Verdict judge(const QString &qualifier, const ModuleBest &best, const DeviceSpec &device)
{
    switch (qualifierKind(qualifier)) {
    case Qualifier::Abi:
        if (qualifier.toLower() == best.abi)
            return {true,
                    QStringLiteral("ABI %1, the device's first with native code").arg(qualifier)};
        return {false, QStringLiteral("ABI %1: the device prefers %2").arg(qualifier, *best.abi)};
    case Qualifier::Density:
        if (densityDpi(qualifier) == best.density)
            return {true, QStringLiteral("density %1, the best for %2 dpi")
                              .arg(qualifier)
                              .arg(device.density)};
        return {false, QStringLiteral("density %1: another suits %2 dpi better")
                           .arg(qualifier)
                           .arg(device.density)};
    case Qualifier::Language:
        if (device.languages.contains(languageOf(qualifier)))
            return {true, QStringLiteral("language %1, the device's").arg(qualifier)};
        return {false, QStringLiteral("language %1: not the device's").arg(qualifier)};
    case Qualifier::Other:
        break;
    }
    return {true, QStringLiteral("%1, a configuration chosen by what the device does not tell")
                      .arg(qualifier)};
}

// Chooses among the configuration splits of one module; a problem when none of the native code
// it has is for the device.
std::optional<BundleProblem> pickConfigs(const QList<Split> &configs, const DeviceSpec &device,
                                         SplitChoice &choice)
{
    QStringList abis;
    QList<int> densities;
    for (const Split &split : configs) {
        const Qualifier kind = qualifierKind(split.name.qualifier);
        if (kind == Qualifier::Abi)
            abis.append(split.name.qualifier.toLower());
        else if (kind == Qualifier::Density)
            densities.append(densityDpi(split.name.qualifier));
    }
    const ModuleBest best{preferredAbi(device.abis, abis), bestDensity(device.density, densities)};
    if (!abis.isEmpty() && !best.abi)
        return BundleProblem{BundleProblem::NoMatchingAbi,
                             {printedAbis(device.abis), printedAbis(abis)}};
    for (const Split &split : configs) {
        const Verdict verdict = judge(split.name.qualifier, best, device);
        (verdict.keep ? choice.chosen : choice.leftOut)
            .append({split.entry, split.name.id(), verdict.why});
    }
    return std::nullopt;
}

QStringList modulesOf(const QList<Split> &named)
{
    QStringList modules{base};
    for (const Split &split : named) {
        if (split.name.isMaster() && !modules.contains(split.name.module))
            modules.append(split.name.module);
    }
    return modules;
}

QList<Split> configsOf(const QList<Split> &named, const QString &module)
{
    QList<Split> configs;
    for (const Split &split : named) {
        if (split.name.module == module && !split.name.isMaster())
            configs.append(split);
    }
    return configs;
}

const Split &masterOf(const QList<Split> &named, const QString &module)
{
    return *std::find_if(named.cbegin(), named.cend(), [&](const Split &split) {
        return split.name.module == module && split.name.isMaster();
    });
}

void leaveOutOrphans(const QList<Split> &named, const QStringList &modules, SplitChoice &choice)
{
    for (const Split &split : named) {
        if (!modules.contains(split.name.module))
            choice.leftOut.append({split.entry, split.name.id(),
                                   QStringLiteral("its feature split %1 is not in the bundle")
                                       .arg(split.name.module)});
    }
}

} // namespace

SplitChoice chooseByName(const QList<NamedApk> &apks, const QString &packageName,
                         const DeviceSpec &device)
{
    QList<Split> named;
    QStringList unnamed;
    classify(apks, packageName, named, unnamed);
    adoptUnnamedBase(named, unnamed);
    if (const std::optional<BundleProblem> problem = clash(named))
        return failed(*problem);

    SplitChoice choice;
    const QStringList modules = modulesOf(named);
    for (const QString &module : modules) {
        const Split &master = masterOf(named, module);
        choice.chosen.append(
            {master.entry, master.name.id(),
             module == base ? QStringLiteral("the base") : QStringLiteral("a feature split")});
        if (const std::optional<BundleProblem> problem =
                pickConfigs(configsOf(named, module), device, choice))
            return failed(*problem);
    }
    leaveOutOrphans(named, modules, choice);
    for (const QString &entry : unnamed)
        choice.leftOut.append({entry, {}, QStringLiteral("its name says no split")});
    return choice;
}
