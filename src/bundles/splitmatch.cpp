#include "bundles/splitmatch.h"

#include <QHash>
#include <algorithm>

std::optional<QString> preferredAbi(const QStringList &deviceAbis, const QStringList &offered)
{
    for (const QString &abi : deviceAbis) {
        if (offered.contains(abi))
            return abi;
    }
    return std::nullopt;
}

QString printedAbis(const QStringList &abis)
{
    return abis.join(QStringLiteral(", ")).replace(QLatin1Char('_'), QLatin1Char('-'));
}

namespace {

// Which of two densities suits the screen better.
int better(int deviceDpi, int a, int b)
{
    if (a == deviceDpi || b == deviceDpi)
        return a == deviceDpi ? a : b;
    const int low = std::min(a, b);
    const int high = std::max(a, b);
    if (deviceDpi > high)
        return high;
    if (deviceDpi < low)
        return low;
    // Scaling down loses less than scaling up, so the higher one wins unless the lower is close.
    const qint64 d = deviceDpi;
    return (2 * qint64(low) - d) * high > d * d ? low : high;
}

} // namespace

int bestDensity(int deviceDpi, const QList<int> &densities)
{
    if (densities.isEmpty())
        return 0;
    int best = densities.first();
    for (const int density : densities)
        best = better(deviceDpi, best, density);
    return best;
}

int densityDpi(const QString &name)
{
    static const QHash<QString, int> dpi{
        {QStringLiteral("ldpi"), 120},   {QStringLiteral("mdpi"), 160},
        {QStringLiteral("tvdpi"), 213},  {QStringLiteral("hdpi"), 240},
        {QStringLiteral("xhdpi"), 320},  {QStringLiteral("xxhdpi"), 480},
        {QStringLiteral("xxxhdpi"), 640}};
    return dpi.value(name.toLower());
}

bool sdkMatches(int deviceSdk, const QList<int> &values, const QList<int> &alternatives)
{
    if (values.isEmpty())
        return true;
    int best = -1;
    for (const int value : values) {
        if (value <= deviceSdk)
            best = std::max(best, value);
    }
    if (best < 0)
        return false;
    return std::none_of(alternatives.cbegin(), alternatives.cend(),
                        [&](int other) { return other > best && other <= deviceSdk; });
}
