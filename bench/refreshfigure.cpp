#include "refreshfigure.h"

#include "plainrun.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

RefreshResult measure(long entries, bool apps)
{
    const QString harness =
        QCoreApplication::applicationDirPath() + QStringLiteral("/apkshelf_bench_refresh");
    std::fprintf(stderr, "refresh: %ld %s\n", entries, apps ? "apps" : "entries");
    QStringList arguments{QString::number(entries), QStringLiteral("7")};
    if (apps)
        arguments.append(QStringLiteral("apps"));
    // A process per size, so that its peak resident memory is this size's alone.
    QHash<QByteArray, Samples> samples = samplesFrom(captureOutput(harness, arguments));
    RefreshResult result;
    result.entries = entries;
    result.apps = apps;
    result.refresh = samples.value("refresh");
    result.settled = samples.value("settled");
    result.tool = samples.value("tool");
    result.runner = samples.value("runner");
    result.select = samples.value("select");
    result.sort = samples.value("sort");
    result.baseMb = samples.value("rss_base").max() / 1024;
    result.peakMb = samples.value("rss_peak").max() / 1024;
    result.sortedPeakMb = samples.value("rss_sorted").max() / 1024;
    return result;
}

} // namespace

QList<RefreshResult> measureRefresh()
{
    QList<RefreshResult> results;
    for (const long entries : {0L, 1'000L, 10'000L, 100'000L})
        results.append(measure(entries, false));
    results.append(measure(10'000, true));
    return results;
}
