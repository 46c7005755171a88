#include "bundles/apksetchoice.h"

#include "bundles/splitmatch.h"
#include "text/languagecode.h"

#include <algorithm>

namespace {

SplitChoice failed(BundleProblem problem)
{
    SplitChoice choice;
    choice.problem = std::move(problem);
    return choice;
}

bool speaksAny(const QStringList &deviceLanguages, const QList<QString> &languages)
{
    return std::any_of(languages.cbegin(), languages.cend(), [&](const QString &language) {
        return deviceLanguages.contains(languageOf(language));
    });
}

bool abiFits(const Dimension<QString> &abi, const DeviceSpec &device)
{
    if (!abi.targeted())
        return true;
    const std::optional<QString> best = preferredAbi(device.abis, abi.values + abi.alternatives);
    return best && abi.values.contains(*best);
}

bool densityFits(const Dimension<int> &density, int deviceDpi)
{
    return !density.targeted() ||
           density.values.contains(bestDensity(deviceDpi, density.values + density.alternatives));
}

bool languageFits(const Dimension<QString> &language, const QStringList &deviceLanguages)
{
    if (!language.targeted())
        return true;
    if (!language.values.isEmpty())
        return speaksAny(deviceLanguages, language.values);
    // The fallback split serves the languages that no other split has.
    return std::any_of(deviceLanguages.cbegin(), deviceLanguages.cend(), [&](const QString &own) {
        return !speaksAny({own}, language.alternatives);
    });
}

// What keeps an APK from the device; empty when it fits.
QString misfit(const ApkTargeting &targeting, const DeviceSpec &device)
{
    if (!sdkMatches(device.sdk, targeting.sdk.values, targeting.sdk.alternatives))
        return QStringLiteral("for another Android version");
    if (!abiFits(targeting.abi, device))
        return QStringLiteral("for another ABI");
    if (!densityFits(targeting.density, device.density))
        return QStringLiteral("for another screen density");
    if (!languageFits(targeting.language, device.languages))
        return QStringLiteral("for another language");
    if (!targeting.texture.values.isEmpty())
        return QStringLiteral("for a texture format, which the device does not tell");
    return {};
}

// Why an APK that fits was chosen, by what it targets.
QString fitReason(const ApkTargeting &targeting, const DeviceSpec &device)
{
    if (!targeting.abi.values.isEmpty())
        return QStringLiteral("ABI %1, the device's first offered")
            .arg(targeting.abi.values.first());
    if (!targeting.density.values.isEmpty())
        return QStringLiteral("density %1 dpi, the best for %2 dpi")
            .arg(targeting.density.values.first())
            .arg(device.density);
    if (!targeting.language.values.isEmpty())
        return QStringLiteral("language %1, the device's")
            .arg(targeting.language.values.join(", "));
    if (targeting.language.targeted())
        return QStringLiteral("the languages no other split has, the device's among them");
    return QStringLiteral("fits the device");
}

bool variantFits(const TocVariant &variant, const DeviceSpec &device)
{
    return sdkMatches(device.sdk, variant.sdk.values, variant.sdk.alternatives) &&
           abiFits(variant.abi, device) && densityFits(variant.density, device.density);
}

// Of the variants that fit, the store gives a device the highest-numbered.
const TocVariant *variantFor(const ApkSetToc &toc, const DeviceSpec &device)
{
    const TocVariant *chosen = nullptr;
    for (const TocVariant &variant : toc.variants) {
        if (variantFits(variant, device) && (!chosen || variant.number > chosen->number))
            chosen = &variant;
    }
    return chosen;
}

QString splitIdOf(const TocApk &apk, const TocModule &module)
{
    if (apk.kind == TocApk::Standalone)
        return QStringLiteral("standalone");
    // A base master has no split name; a feature master's is its module's.
    return apk.splitId.isEmpty() && apk.master ? module.name : apk.splitId;
}

void leaveOut(const TocModule &module, const QString &why, SplitChoice &choice)
{
    for (const TocApk &apk : module.apks)
        choice.leftOut.append({apk.path, splitIdOf(apk, module), why});
}

// Chooses a module's APKs; a problem when it has native code, none of it for the device.
std::optional<BundleProblem> pickApks(const TocModule &module, const DeviceSpec &device,
                                      SplitChoice &choice)
{
    QStringList abis;
    bool abiChosen = false;
    for (const TocApk &apk : module.apks) {
        abis += apk.targeting.abi.values;
        QString why = apk.kind == TocApk::Other ? QStringLiteral("not for a plain install")
                      : apk.master              ? QString()
                                                : misfit(apk.targeting, device);
        if (!why.isEmpty()) {
            choice.leftOut.append({apk.path, splitIdOf(apk, module), why});
            continue;
        }
        abiChosen = abiChosen || !apk.targeting.abi.values.isEmpty();
        choice.chosen.append({apk.path, splitIdOf(apk, module),
                              apk.master
                                  ? QStringLiteral("the master of module %1").arg(module.name)
                                  : fitReason(apk.targeting, device)});
    }
    if (abis.isEmpty() || abiChosen)
        return std::nullopt;
    abis.removeDuplicates();
    return BundleProblem{BundleProblem::NoMatchingAbi,
                         {printedAbis(device.abis), printedAbis(abis)}};
}

// A standalone APK installs alone: the first that fits, and nothing else.
void keepOneStandalone(SplitChoice &choice)
{
    const auto standalone = [](const BundleApk &apk) {
        return apk.splitId == QLatin1String("standalone");
    };
    const auto first = std::find_if(choice.chosen.begin(), choice.chosen.end(), standalone);
    if (first == choice.chosen.end())
        return;
    for (auto apk = choice.chosen.begin(); apk != choice.chosen.end(); ++apk) {
        if (apk != first)
            choice.leftOut.append(
                {apk->entry, apk->splitId, QStringLiteral("another standalone APK is installed")});
    }
    choice.chosen = {*first};
    choice.standalone = true;
}

// The base module's APKs first, so the numbered names put them first.
QList<TocModule> baseFirst(QList<TocModule> modules)
{
    std::stable_partition(modules.begin(), modules.end(), [](const TocModule &module) {
        return module.name == QLatin1String("base");
    });
    return modules;
}

} // namespace

SplitChoice chooseFromToc(const ApkSetToc &toc, const DeviceSpec &device)
{
    const TocVariant *variant = variantFor(toc, device);
    if (!variant)
        return failed({BundleProblem::NoVariant, {describeDevice(device)}});
    SplitChoice choice;
    for (const TocVariant &other : toc.variants) {
        for (const TocModule &module : other.modules) {
            if (&other != variant)
                leaveOut(module, QStringLiteral("for another variant"), choice);
        }
    }
    for (const TocModule &module : baseFirst(variant->modules)) {
        if (module.instant)
            leaveOut(module, QStringLiteral("an instant app's"), choice);
        else if (!module.atInstall())
            leaveOut(module, QStringLiteral("a module the store delivers later"), choice);
        else if (const std::optional<BundleProblem> problem = pickApks(module, device, choice))
            return failed(*problem);
    }
    keepOneStandalone(choice);
    if (choice.chosen.isEmpty())
        return failed({BundleProblem::NoBase, {}});
    return choice;
}
